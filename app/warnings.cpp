#include "warnings.h"

#include "commport.h"
#include "form1.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

namespace qn62 {

Warnings::Warnings(QWidget *window, CommPort *port)
    : m_window(window)
    , m_port(port)
{
    connect(port, &CommPort::portLost, this, &Warnings::lost);
    connect(port, &CommPort::portWarning, this, &Warnings::warn);
    connect(port, &CommPort::outputDropped, this, &Warnings::dropped);
    connect(port, &CommPort::portOpened, this, &Warnings::portOpened);
}

void Warnings::setHandler(std::function<void(const QString &)> handler)
{
    m_handler = std::move(handler);
}

void Warnings::warn(const QString &text)
{
    if (m_handler) {
        m_handler(text);
        return;
    }
    if (!m_window->isVisible() && !m_quitting) {
        m_pending << text;
        return;
    }
    show(text);
}

void Warnings::show(const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Warning, QString::fromLatin1(Form1::AppTitle), QString(),
                                QMessageBox::Ok, m_window);
    // A box keeps to half the screen's width, its icon and margins included.
    const QLabel *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    const int width = qMin(MaxWordWidth, box->screen()->availableGeometry().width() / 2 - 100);
    box->setText(fitted(text, label ? label->fontMetrics() : box->fontMetrics(), width));
    if (m_quitting) {
        box->exec();
        delete box;
        return;
    }
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void Warnings::windowShown()
{
    if (m_pending.isEmpty())
        return;
    QTimer::singleShot(0, this, [this] {
        const QStringList pending = std::exchange(m_pending, {});
        for (const QString &text : pending)
            warn(text);
    });
}

void Warnings::notOpen()
{
    // A port waiting for its device says so on the monitor, not in a box.
    if (m_closedSpellTold || m_port->awaitingDevice())
        return;
    m_closedSpellTold = true;
    warn(QStringLiteral("%1 is not open, so nothing was sent. To open a port, press COM, then COM1 or COM2.")
             .arg(m_port->describe(m_port->commPort())));
}

void Warnings::portOpened()
{
    m_closedSpellTold = false;
}

void Warnings::quitting()
{
    m_quitting = true;
}

void Warnings::lost(const QString &text)
{
    // The loss is the closed spell's one warning: it says what to do. A
    // port that came back by itself and dropped again soon after is still
    // in the outage that was told.
    m_closedSpellTold = true;
    if (!m_port->lossIsRelapse())
        warn(text);
}

void Warnings::dropped(const QString &text)
{
    // After a loss, the loss's warning has told it.
    if (!m_closedSpellTold)
        warn(text);
}

QString Warnings::fitted(const QString &text, const QFontMetrics &metrics, int width)
{
    QStringList words = text.split(QLatin1Char(' '));
    for (QString &word : words)
        if (metrics.horizontalAdvance(word) > width)
            word = metrics.elidedText(word, Qt::ElideMiddle, width);
    return words.join(QLatin1Char(' '));
}

} // namespace qn62
