#pragma once

#include "commport.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace qn62 {

// One way of reaching the projector's line: a local serial device, or
// whatever else stands behind a port address. SerialComm keeps the output
// queue and the messages; a transport only moves bytes.
//
// Opening may finish later: open() ends with opened() or openFailed(). A
// local device finishes before open() returns.
class Transport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Transport() override = default;

    // The address as given to the factory, for messages.
    virtual QString address() const = 0;

    // Starts opening with these line settings in force from the first
    // moment the line is up.
    virtual void open(const LineSettings &settings) = 0;
    virtual bool isOpen() const = 0;
    // Closes at once. Output not yet on the line is thrown away; closing
    // never waits for the far end to take it.
    virtual void close() = 0;

    // Changes the line settings of the open line. Returns false and fills
    // *why (a phrase, without the port's name) when they are refused.
    virtual bool setSettings(const LineSettings &settings, QString *why) = 0;

    // Hands bytes to the line. Returns how many were taken; 0 means that the
    // line takes nothing now and readyWrite() follows when it does; -1 means
    // that the line failed, and lost() has been sent. A transport that keeps
    // the bytes after it returns keeps them by a share of bytes, never by
    // their address.
    virtual qint64 write(const QByteArray &bytes) = 0;
    // Everything received so far.
    virtual QByteArray readAll() = 0;
    // Bytes taken by write() that have not left yet: held by the transport
    // itself and, where the system tells, by the driver or the socket.
    virtual qint64 bytesToWrite() const = 0;
    // What to check when the line is lost, as a sentence without its full
    // stop ("Check the cable or adapter"); empty when the reason says it all.
    virtual QString lossAdvice() const = 0;

signals:
    void opened();
    // The reason is a phrase with its advice, ending in a full stop ("no such
    // device. Check that ... is plugged in."). elsewhere: the device is not
    // there or another program holds it, so another port may do.
    void openFailed(const QString &reason, bool elsewhere);
    void readyRead();
    // The line takes output again after write() returned 0.
    void readyWrite();
    // The line is gone for good (hang-up, end of file, the device removed).
    // The reason is a phrase such as "the device disconnected".
    void lost(const QString &reason);
    // Something the technician should know that leaves the line usable
    // (a serial device server that did not take the line settings).
    void warning(const QString &text);
};

} // namespace qn62
