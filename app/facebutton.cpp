#include "facebutton.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace qn62 {

FaceButton::FaceButton(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{
}

void FaceButton::setFaceColour(const QColor &colour)
{
    m_face = colour;
    update();
}

void FaceButton::setTextColour(const QColor &colour)
{
    m_text = colour;
    update();
}

// Inside the bevel, one pixel clear of it, and across a clear column on each
// side of the focus ring's sides (focusRing()), also when a pressed caption
// moves a pixel to the right: a ring over a caption's first or last letter
// would hide where the caption ends.
QRect FaceButton::captionBox() const
{
    return rect().adjusted(4, 2, -6, -2);
}

QRect FaceButton::focusRing() const
{
    return rect().adjusted(2, 2, -4, -4);
}

int FaceButton::captionFlags() const
{
    // Only words wrap: a Japanese caption broken between its characters
    // reads badly and leaves no room for a second line on a 25-pixel face.
    return Qt::AlignCenter | (text().contains(QLatin1Char(' ')) ? Qt::TextWordWrap : 0);
}

QFont FaceButton::captionFont() const
{
    const QRect box = captionBox();
    const int flags = captionFlags();
    const auto fits = [&](const QFont &f) {
        const QRect needed = QFontMetrics(f).boundingRect(box, flags, text());
        return needed.width() <= box.width() && needed.height() <= box.height();
    };
    QFont f = font();
    if (fits(f))
        return f;
    // Narrower letters keep the caption's height; only past 70 % does the
    // font get smaller as well.
    for (int stretch = 95; stretch >= 70; stretch -= 5) {
        f.setStretch(stretch);
        if (fits(f))
            return f;
    }
    for (int size = QFontInfo(f).pixelSize() - 1; size >= 6; --size) {
        f.setPixelSize(size);
        if (fits(f))
            return f;
    }
    return f;
}

void FaceButton::cancelHold()
{
    if (!m_held)
        return;
    m_held = false;
    setDown(false);
    emit mouseUp();
}

void FaceButton::mousePressEvent(QMouseEvent *event)
{
    if (!m_holdMode) {
        QPushButton::mousePressEvent(event);
        return;
    }
    event->accept();
    m_held = true;
    setDown(true);
    emit mouseDown();
}

void FaceButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_holdMode) {
        QPushButton::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    // Any release ends the hold, wherever the pointer is now: the release
    // comes to the button that had the press.
    m_held = false;
    setDown(false);
    emit mouseUp();
}

void FaceButton::mouseMoveEvent(QMouseEvent *event)
{
    // A held button stays held, and looks it, while the pointer wanders off.
    if (m_holdMode)
        event->accept();
    else
        QPushButton::mouseMoveEvent(event);
}

void FaceButton::hideEvent(QHideEvent *event)
{
    cancelHold();
    QPushButton::hideEvent(event);
}

void FaceButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        cancelHold();
    QPushButton::changeEvent(event);
}

void FaceButton::paintEvent(QPaintEvent *event)
{
    if (!m_face.isValid()) {
        QPushButton::paintEvent(event);
        return;
    }

    QPainter p(this);
    const QRect r = rect();
    const bool down = isDown();
    p.fillRect(r, m_face);

    // Bevel: light top-left and dark bottom-right when up, the other way
    // round when pressed.
    const QColor light = Qt::white;
    const QColor shadow(0x80, 0x80, 0x80);
    const QColor dark = Qt::black;
    const int x0 = r.left(), y0 = r.top(), x1 = r.right(), y1 = r.bottom();
    if (down) {
        p.setPen(dark);
        p.drawLine(x0, y0, x1, y0);
        p.drawLine(x0, y0, x0, y1);
        p.setPen(shadow);
        p.drawLine(x0 + 1, y0 + 1, x1 - 1, y0 + 1);
        p.drawLine(x0 + 1, y0 + 1, x0 + 1, y1 - 1);
        p.setPen(light);
        p.drawLine(x0, y1, x1, y1);
        p.drawLine(x1, y0, x1, y1);
    } else {
        p.setPen(light);
        p.drawLine(x0, y0, x1 - 1, y0);
        p.drawLine(x0, y0, x0, y1 - 1);
        p.setPen(dark);
        p.drawLine(x0, y1, x1, y1);
        p.drawLine(x1, y0, x1, y1);
        p.setPen(shadow);
        p.drawLine(x0 + 1, y1 - 1, x1 - 1, y1 - 1);
        p.drawLine(x1 - 1, y0 + 1, x1 - 1, y1 - 1);
    }

    QRect textRect = captionBox();
    if (down)
        textRect.translate(1, 1);
    p.setFont(captionFont());
    p.setPen(isEnabled() ? m_text : shadow);
    p.drawText(textRect, captionFlags(), text());

    // Focus that came by the keyboard, as the desktop styles show it: a
    // dotted black ring just inside the bevel, legible on every face colour.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        p.setPen(QPen(dark, 1, Qt::DotLine));
        p.drawRect(focusRing());
    }
}

} // namespace qn62
