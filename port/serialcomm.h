#pragma once

#include "commport.h"
#include "outputqueue.h"

#include <QStringList>

#include <functional>

namespace qn62 {

class Transport;

// The transport for a port address: a serial device server for
// socket://HOST:PORT and rfc2217://HOST:PORT, otherwise a serial device path
// (or a bare device name in /dev).
Transport *createTransport(const QString &address, QObject *parent);

// The CommPort the panel uses. Port numbers 1 and 2 map to addresses (by
// default /dev/ttyS0 and /dev/ttyS1); opening a port creates its transport.
// Always 8 data bits, no parity, one stop bit unless the settings say
// otherwise, no flow control, DTR raised while open and RTS low.
//
// Output goes through a bounded queue drained from the event loop: a line
// that stops taking data makes commands wait, and a command that does not
// fit is refused whole. Only a real loss of the line closes the port.
// Closing throws away what has not gone out yet and says so through
// outputDropped() (and in portLost()'s message when the line was lost).
//
// A transport that is still opening (a network port connecting) counts as
// open, but output is refused until it is up: a command pressed meanwhile is
// not sent rather than sent seconds later, outside its reply window. A
// failure to open after setPortOpen() returned is reported through
// portLost().
class SerialComm : public CommPort
{
    Q_OBJECT
public:
    static constexpr int PortCount = 2;
    static constexpr const char *DefaultDevices[PortCount] = {"/dev/ttyS0", "/dev/ttyS1"};

    using TransportFactory = std::function<Transport *(const QString &address, QObject *parent)>;

    explicit SerialComm(QObject *parent = nullptr);
    ~SerialComm() override;

    void setDevice(int port, const QString &address);
    QString device(int port) const;
    // Where transports come from; createTransport() unless replaced.
    void setTransportFactory(TransportFactory factory) { m_factory = std::move(factory); }

    int commPort() const override { return m_port; }
    bool setCommPort(int port) override;
    QString settings() const override { return m_settings.toString(); }
    bool setSettings(const QString &settings) override;
    bool portOpen() const override { return m_transport != nullptr; }
    bool setPortOpen(bool open) override;
    bool output(const QString &text) override;
    QString input() override;
    int commEvent() const override { return m_event; }
    QString errorString() const override { return m_error; }
    QString describe(int port) const override;

    // Output bytes accepted and not yet on the line.
    qint64 pendingOutput() const { return m_queue.pending(); }

private:
    bool fail(const QString &message);
    void transportOpened();
    void closeTransport(const QString &lostMessage = QString());
    void drain();
    void handleLost(const QString &reason);

    TransportFactory m_factory = createTransport;
    Transport *m_transport = nullptr;
    OutputQueue m_queue;
    QStringList m_devices;
    int m_port = 1;
    LineSettings m_settings;
    int m_event = 0;
    QString m_error;
    bool m_opening = false;   // inside Transport::open()
    QString m_openFailure;    // why it failed before returning
};

} // namespace qn62
