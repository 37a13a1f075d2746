#pragma once

#include <QObject>
#include <QTimer>

namespace qn62 {

// A periodic interval timer that behaves like a control on the window:
// it is either enabled or not, and has an interval in milliseconds.
// - Enabling a timer that is already enabled keeps its countdown going.
// - Disabling and enabling again starts a fresh countdown.
// - A new interval governs every later start; set on a running timer it
//   restarts the countdown with the new interval.
// Ticks are delivered through the event loop as Timer(); tests call the
// tick procedures themselves instead of waiting for them.
class IntervalTimer : public QObject
{
    Q_OBJECT
public:
    explicit IntervalTimer(int intervalMs, QObject *parent = nullptr)
        : QObject(parent)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        connect(&m_timer, &QTimer::timeout, this, &IntervalTimer::Timer);
    }

    int interval() const { return m_timer.interval(); }
    void setInterval(int ms) { m_timer.setInterval(ms); }

    bool enabled() const { return m_timer.isActive(); }
    void setEnabled(bool on)
    {
        if (!on)
            m_timer.stop();
        else if (!m_timer.isActive())
            m_timer.start();
    }

    // Milliseconds until the next tick, or -1 when disabled.
    int remaining() const { return m_timer.remainingTime(); }

signals:
    void Timer();

private:
    QTimer m_timer;
};

} // namespace qn62
