#pragma once

#include "commport.h"

#include <QStringList>

// A port that never touches a device: it records what is written and lets
// a test decide what fails and what arrives. Used where a pseudo-terminal
// cannot produce the situation (a refused open, a failing write).
class FakePort : public qn62::CommPort
{
    Q_OBJECT
public:
    using CommPort::CommPort;

    // What the test controls.
    bool failOpen[3] = {false, false, false}; // per port number
    QString openError = QStringLiteral("COM%1 (fake): no such device.");

    // What the test observes.
    QStringList written;
    int opens = 0;
    int closes = 0;

    // Delivers received characters as the device would.
    void receive(const QString &text)
    {
        m_waiting += text;
        m_event = ComEvReceive;
        emit onComm();
    }
    void raise(int event)
    {
        m_event = event;
        emit onComm();
    }
    void lose()
    {
        m_open = false;
        m_error = QStringLiteral("COM%1 (fake) stopped working and has been closed.").arg(m_port);
        emit portLost(m_error);
    }

    int commPort() const override { return m_port; }
    bool setCommPort(int port) override
    {
        if (m_open || port < 1 || port > 2)
            return fail(QStringLiteral("refused port %1").arg(port));
        m_port = port;
        return true;
    }
    QString settings() const override { return m_settings; }
    bool setSettings(const QString &settings) override
    {
        qn62::LineSettings parsed;
        QString why;
        if (!parsed.parse(settings, &why))
            return fail(why);
        m_settings = settings;
        return true;
    }
    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override
    {
        if (open && !m_open) {
            if (failOpen[m_port])
                return fail(openError.arg(m_port));
            ++opens;
        } else if (!open && m_open) {
            ++closes;
        }
        m_open = open;
        return true;
    }
    bool output(const QString &text) override
    {
        if (!m_open)
            return fail(QStringLiteral("COM%1 (fake) is not open.").arg(m_port));
        written << text;
        return true;
    }
    QString input() override
    {
        m_event = 0;
        return std::exchange(m_waiting, QString());
    }
    int commEvent() const override { return m_event; }
    QString errorString() const override { return m_error; }
    QString describe(int port) const override { return QStringLiteral("COM%1 (fake)").arg(port); }

private:
    bool fail(const QString &message)
    {
        m_error = message;
        return false;
    }

    int m_port = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    bool m_open = false;
    int m_event = 0;
    QString m_waiting;
    QString m_error;
};
