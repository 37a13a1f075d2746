#include "picture.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace qn62 {

QPixmap Picture::badge(int width, int height)
{
    QPixmap pixmap(width, height);
    QPainter p(&pixmap);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(0x20, 0x30, 0x80));
    sky.setColorAt(1, QColor(0x08, 0x10, 0x40));
    p.fillRect(pixmap.rect(), sky);

    // A beam of light from a lens on the left.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xE0, 0x80, 0x90));
    p.drawPolygon(QPolygonF({QPointF(9, height / 2.0 - 2), QPointF(24, 2), QPointF(24, height - 2),
                             QPointF(9, height / 2.0 + 2)}));
    p.setBrush(QColor(0xFF, 0xF0, 0xC0));
    p.drawEllipse(QPointF(7, height / 2.0), 4, 4);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(height * 9 / 20);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(24, 0, width - 26, height * 6 / 10), Qt::AlignCenter, QStringLiteral("QN62"));
    font.setPixelSize(height * 5 / 20);
    font.setBold(false);
    p.setFont(font);
    p.setPen(QColor(0xC0, 0xD0, 0xFF));
    p.drawText(QRect(24, height / 2, width - 26, height / 2), Qt::AlignCenter, QStringLiteral("RS-232C"));
    return pixmap;
}

void Picture::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    emit doubleClicked();
}

} // namespace qn62
