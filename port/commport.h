#pragma once

#include "outputqueue.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace qn62 {

// Line settings in the "baud,parity,data,stop" form, e.g. "19200,N,8,1".
struct LineSettings
{
    qint32 baud = 9600;
    char parity = 'N'; // N, E, O, M or S
    int dataBits = 8;  // 5 to 8
    int stopBits = 1;  // 1 or 2

    // Parses the text form. Returns false and fills *error when the text is
    // not a valid setting; the settings are then left untouched.
    bool parse(const QString &text, QString *error);
    QString toString() const;
};

// The serial port as the panel sees it: a port number (1 or 2), line
// settings, open/closed, whole-text output and input, and a notification
// when received characters are waiting.
//
// Operations that can fail return false and leave a text in errorString()
// that is meant for the technician's eyes: it names the port, the device
// and the reason, and the fix where there is one.
class CommPort : public QObject
{
    Q_OBJECT
public:
    static constexpr int ComEvReceive = 2;

    using QObject::QObject;
    ~CommPort() override = default;

    virtual int commPort() const = 0;
    virtual bool setCommPort(int port) = 0;

    virtual QString settings() const = 0;
    virtual bool setSettings(const QString &settings) = 0;

    virtual bool portOpen() const = 0;
    virtual bool setPortOpen(bool open) = 0;

    // Writes the whole text, one byte per character.
    virtual bool output(const QString &text) = 0;
    // Everything waiting, as text (one character per byte), taken out of
    // the buffer.
    virtual QString input() = 0;
    // The code of the event that raised onComm(); ComEvReceive means that
    // received characters are waiting.
    virtual int commEvent() const = 0;

    virtual QString errorString() const = 0;

    // The newest command output() took, while it has not wholly gone out on
    // the line: how many of its bytes wait, and how many bytes of earlier
    // commands wait ahead of it. Both 0 once it has gone out.
    using Waiting = OutputQueue::Waiting;
    virtual Waiting newestWaiting() const { return {}; }

    // "COM1" / "COM2" and the device behind it, for messages.
    virtual QString describe(int port) const = 0;

    // A port that reconnects by itself: after a loss it stays closed and
    // waits for its device to come back, and opens it again when it does.
    // Whether the port is closed and waiting so now.
    virtual bool awaitingDevice() const { return false; }
    // After an open that failed: waits for the device of the chosen port
    // the same way. False when this port does not reconnect.
    virtual bool awaitDevice() { return false; }
    // The last loss came soon after the port had come back by itself, so it
    // goes on with the outage that an earlier loss began and told.
    virtual bool lossIsRelapse() const { return false; }

signals:
    void onComm();
    // The line is up and takes output: for a local device before
    // setPortOpen() returns, for a network port once it has connected.
    void portOpened();
    // The open port went away (a USB adapter pulled out, the far end of a
    // pseudo-terminal closed). The port has been closed when this is sent
    // (and waits for the device when it reconnects by itself); the message
    // also tells of output that was thrown away.
    void portLost(const QString &message);
    // A port waiting for its device tried it, and it turned the port away
    // before the port was back (a server busy with another client). The
    // message names the port and says why.
    void tryFailed(const QString &message);
    // Closing the port threw away commands that had not wholly gone out;
    // lastCommand is the newest of them. Sent once per close, after the
    // port has closed (after portLost() when the close was a loss).
    void outputDropped(const QString &message, const QString &lastCommand);
    // setPortOpen(true) failed; message says why (as errorString()).
    void portNotOpened(const QString &message);
    // setSettings() changed the settings of the open port.
    void settingsChanged();
    // The port works, with a shortcoming worth a warning (settings that a
    // serial device server did not take). The port stays open.
    void portWarning(const QString &message);

    // The traffic on the line, for a log: bytes as they are handed to the
    // line (what the far end receives; a command refused or thrown away at a
    // close never appears), and bytes as input() takes them from it.
    void bytesSent(const QByteArray &bytes);
    void bytesReceived(const QByteArray &bytes);
    // The open port was closed on request (a loss is portLost()). Sent
    // before outputDropped().
    void portClosed();
};

} // namespace qn62
