#pragma once

#include "facebutton.h"
#include "form1.h"
#include "ptyline.h"
#include "serialcomm.h"

#include <QLabel>
#include <QRadioButton>
#include <QtTest>

// The real panel on the real serial layer, shared by the start-up, widget,
// network and end-to-end tests. start() puts any two devices behind COM1 and
// COM2 (and a traffic log) and collects the warnings; openPanel() puts a pseudo-terminal the test
// reads and writes behind COM1, and any warning fails the test.
class PanelFixture : public QObject
{
protected:
    static constexpr const char *Absent = "/dev/qn62-absent"; // nothing behind it
    std::unique_ptr<FarEnd> line;
    std::unique_ptr<qn62::SerialComm> port;
    std::unique_ptr<qn62::Form1> w;
    QStringList warnings;
    bool reconnect = false; // the next start()'s port waits for a lost device

    void start(const QString &com1, const QString &com2 = QLatin1String(Absent),
               qn62::SerialComm::TransportFactory transports = qn62::createTransport, const QString &log = {})
    {
        warnings.clear();
        w.reset();
        port = std::make_unique<qn62::SerialComm>();
        port->setDevice(1, com1);
        port->setDevice(2, com2);
        port->setTransportFactory(std::move(transports));
        port->setReconnect(reconnect);
        w = std::make_unique<qn62::Form1>(port.get(), log);
        w->setWarningHandler([this](const QString &text) { warnings << text; });
    }
    void failOnWarnings() { w->setWarningHandler([](const QString &text) { QFAIL(qPrintable(text)); }); }
    // The timers keep counting, but their ticks reach nothing: the test calls
    // the tick procedures itself and never races them.
    void detachTicks()
    {
        for (qn62::IntervalTimer *t : {&w->Timer1, &w->link().Timer2, &w->Timer3, &w->link().Timer4})
            QObject::disconnect(t, &qn62::IntervalTimer::Timer, nullptr, nullptr);
        for (const QTimer *t : {&port->retryTimer(), &port->trialTimer()})
            QObject::disconnect(t, nullptr, port.get(), nullptr);
    }
    void openPanel() { line = std::make_unique<PtyLine>(); start(line->path); failOnWarnings(); }
    void closePanel() { w.reset(); port.reset(); line.reset(); }
    void showPanel(int heightTwips = 0)
    {
        if (heightTwips)
            w->setHeight(heightTwips);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
    void click(int number) { QTest::mouseClick(w->button(number), Qt::LeftButton); }
    QString label(const char *name) const { return static_cast<QLabel *>(w->control(name))->text(); }
    QString rx() const { return w->link().line(qn62::TransactionEngine::Line::Receive); } // RXD shows it:
    const QLabel *rxd() const { return static_cast<QLabel *>(w->control("Label12")); }
    QRadioButton *option(const char *name) const { return static_cast<QRadioButton *>(w->control(name)); }
};
