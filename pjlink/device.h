#pragma once

#include "lineclient.h"
#include "serialcomm.h"
#include "traffichook.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace qn62::pjlink {

// The projector's line as the bridge holds it: the port (a serial device
// or a serial device server, locked like the panel's), and the
// request/reply client over it. Every command the bridge sends and every
// reply it gets pass through ask(), and every change of the port through
// open() and lost(). The traffic log, when asked for, watches the port and
// the client.
//
// The port reconnects by itself: a line that is lost, or that cannot be
// opened at start (a service often starts before its adapter is there), is
// waited for and opened again when it comes back, and requests meanwhile
// get no reply (ERR3). The journal hears of each outage once, once more
// when the line is back, and once if it drops again soon after.
class Device : public QObject
{
    Q_OBJECT
public:
    // trafficLog: the file to log the traffic to, none when empty; one that
    // cannot be opened or written is warned about once and not logged to.
    Device(const QString &address, int speed, const QString &trafficLog = QString(), QObject *parent = nullptr);
    // Closes the port, as a close and not a loss.
    ~Device() override;

    // Opens the port. False, with errorString(), when it cannot (the
    // journal hears why); the port then waits for the device, and the bridge
    // answers ERR3 until it is open.
    bool open();
    bool isOpen() const { return m_port.portOpen(); }
    QString errorString() const { return m_port.errorString(); }
    QString address() const { return m_port.device(1); }

    // Asks code (without CR). done gets the reply as LineClient ended it,
    // or nothing when the command could not go out.
    void ask(const QByteArray &code, std::function<void(const QByteArray &reply)> done);

    LineClient &client() { return m_client; }
    SerialComm &port() { return m_port; }

signals:
    // The open port went away; it is closed now.
    void lost(const QString &why);

private:
    // What the bridge does while the line is away, for the journal.
    QString waiting() const;

    SerialComm m_port;
    // Before the client, so that a loss is logged before what it ends.
    std::unique_ptr<TrafficHook> m_traffic;
    LineClient m_client;
    bool m_answering = true; // the last command got a complete reply
    bool m_openTold = false; // the line has been up and that was logged
    bool m_backTold = true;  // the port's comeback since its last loss was logged
    bool m_relapseTold = false; // a relapse of this outage was logged
};

} // namespace qn62::pjlink
