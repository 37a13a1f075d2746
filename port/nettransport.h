#pragma once

#include "portaddress.h"
#include "telnetcodec.h"
#include "transport.h"

#include <QTimer>

class QTcpSocket;

namespace qn62 {

// A serial port on a serial device server, reached over TCP: either raw
// (the bytes pass unchanged; the line settings are the server's and a speed
// choice changes nothing on the wire) or Telnet with the COM-PORT option
// (the line settings, no flow control, DTR on and RTS off are sent to the
// server on opening, and a speed choice goes out at once).
//
// Connecting runs in the background and gives up after ConnectTimeoutMs.
// With Telnet, the line counts as open (and data flows) once the server has
// answered for the COM-PORT option, so that the first command goes out at
// the settings asked for, or after ConfirmTimeoutMs without an answer.
// A server that does not take or confirm the settings, or that keeps asking
// for Telnet options after they were refused, leaves the line usable for
// data, with one warning for each such problem on a connection. Nothing
// here ever waits for the network.
//
// A server that serves one client at a time turns others away by closing
// their connection at once, some with words of their own ("Port already in
// use"). Text that is the first thing a server sends on a connection and
// that it closes the connection right behind is such words: it is no data,
// and the loss quotes it, as it does such text still unread when the close
// comes before anything was sent. A close before the server sent a single
// byte (Telnet included) says that another client may hold its port; a
// server that goes away after it has spoken closed the connection, no more.
class NetTransport final : public Transport
{
    Q_OBJECT
public:
    static constexpr int ConnectTimeoutMs = 5000;
    // How long the server has to confirm the settings before the warning.
    static constexpr int ConfirmTimeoutMs = 3000;
    // Output the socket's own buffer may hold before write() asks to wait.
    static constexpr qint64 MaxBuffered = 64 * 1024;

    explicit NetTransport(const PortAddress &address, QObject *parent = nullptr);
    ~NetTransport() override;

    QString address() const override;
    void open(const LineSettings &settings) override;
    bool isOpen() const override { return m_ready; }
    void close() override;
    bool setSettings(const LineSettings &settings, QString *why) override;
    qint64 write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    qint64 bytesToWrite() const override;
    QString lossAdvice() const override;

    // The tick procedures of the two timers, public so that they can be
    // run directly.
    void connectTimedOut();
    void confirmTimedOut();
    const QTimer &connectTimer() const { return m_connectTimer; }
    const QTimer &confirmTimer() const { return m_confirmTimer; }
    // The settings the server has not confirmed yet (Telnet only).
    QStringList unconfirmed() const { return m_codec.unconfirmed(); }

private:
    bool telnet() const { return m_address.kind == PortAddress::Kind::Rfc2217; }
    QString where() const;
    void connected();
    void becomeReady();
    void received();
    void failed();
    void sendLine();
    void flushCodec();
    void send(const QByteArray &bytes);
    void dropSocket();
    // The advice for a connection closed before the server sent anything.
    QString turnedAway() const;
    // Whether the server has closed the connection behind what was read.
    bool closedBehind() const;
    // Sends the warning about problem unless this connection has had it.
    void warnOnce(const QString &problem, const QString &text);

    PortAddress m_address;
    LineSettings m_settings;
    QTcpSocket *m_socket = nullptr;
    TelnetCodec m_codec;
    QTimer m_connectTimer;
    QTimer m_confirmTimer;
    QByteArray m_in;
    bool m_open = false;  // connected
    bool m_ready = false; // connected, and data may flow
    bool m_waitingToWrite = false;
    QStringList m_warned; // the problems warned about on this connection
    qint64 m_received = 0; // data bytes the server sent on this connection
    qint64 m_heard = 0;    // bytes of any kind, Telnet included, it sent
    qint64 m_sent = 0;     // data bytes written on this connection
    QString m_words;       // what the server said as it closed the connection
    QString m_advice;      // what to check after the loss
};

} // namespace qn62
