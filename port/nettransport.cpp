#include "nettransport.h"

#include <QTcpSocket>

#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <utility>

namespace qn62 {

namespace {

// The problem of a server that keeps asking about refused Telnet options.
constexpr QLatin1String IgnoredOptions("options");

// data as the words of a server turning a client away: a short text of
// printable lines with a letter in it, on one line; empty when it is not.
QString closingWords(const QByteArray &data)
{
    static constexpr int MaxWords = 200;
    bool letter = false;
    for (const char c : data) {
        if ((c < 0x20 || c > 0x7E) && c != '\r' && c != '\n' && c != '\t')
            return QString();
        letter = letter || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }
    return letter && data.size() <= MaxWords ? QString::fromLatin1(data).simplified() : QString();
}

} // namespace

NetTransport::NetTransport(const PortAddress &address, QObject *parent)
    : Transport(parent)
    , m_address(address)
{
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(ConnectTimeoutMs);
    connect(&m_connectTimer, &QTimer::timeout, this, &NetTransport::connectTimedOut);
    m_confirmTimer.setSingleShot(true);
    m_confirmTimer.setInterval(ConfirmTimeoutMs);
    connect(&m_confirmTimer, &QTimer::timeout, this, &NetTransport::confirmTimedOut);
}

NetTransport::~NetTransport()
{
    close();
}

QString NetTransport::address() const
{
    const bool v6 = m_address.host.contains(QLatin1Char(':'));
    return QStringLiteral("%1://%2:%3")
        .arg(telnet() ? QStringLiteral("rfc2217") : QStringLiteral("socket"),
             v6 ? QLatin1Char('[') + m_address.host + QLatin1Char(']') : m_address.host)
        .arg(m_address.port);
}

QString NetTransport::where() const
{
    return QStringLiteral("%1 port %2").arg(m_address.host).arg(m_address.port);
}

void NetTransport::open(const LineSettings &settings)
{
    close();
    m_settings = settings;
    m_warned.clear();
    m_received = m_heard = m_sent = 0;
    m_words.clear();
    m_advice.clear();
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &NetTransport::connected);
    connect(m_socket, &QTcpSocket::readyRead, this, &NetTransport::received);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &NetTransport::failed);
    connect(m_socket, &QTcpSocket::disconnected, this, &NetTransport::failed);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_waitingToWrite && m_socket->bytesToWrite() < MaxBuffered / 2) {
            m_waitingToWrite = false;
            emit readyWrite();
        }
    });
    m_connectTimer.start();
    m_socket->connectToHost(m_address.host, m_address.port);
}

void NetTransport::connected()
{
    m_connectTimer.stop();
    // A four-byte command goes out at once instead of waiting for more.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_open = true;
    if (telnet()) {
        m_codec.start();
        sendLine();
        m_codec.setControl(TelnetCodec::NoFlowControl);
        m_codec.setControl(TelnetCodec::DtrOn);
        m_codec.setControl(TelnetCodec::RtsOff);
        flushCodec();
        m_confirmTimer.start();
        return;
    }
    becomeReady();
}

void NetTransport::becomeReady()
{
    if (m_ready)
        return;
    m_ready = true;
    emit opened();
}

void NetTransport::connectTimedOut()
{
    if (!m_socket || m_open)
        return;
    dropSocket();
    emit openFailed(QStringLiteral("cannot connect to %1: no answer within %2 seconds. Check the "
                                   "address and that the server is running and reachable.")
                        .arg(where()).arg(ConnectTimeoutMs / 1000),
                    false);
}

// An error or the end of the connection: before it was up, the open failed;
// afterwards, the line is lost. Either is reported once.
void NetTransport::failed()
{
    if (!m_socket)
        return;
    const QAbstractSocket::SocketError error = m_socket->error();
    const QString text = m_socket->errorString();
    const bool wasOpen = m_open;
    dropSocket();
    if (wasOpen) {
        const bool closed = error == QAbstractSocket::RemoteHostClosedError
            || error == QAbstractSocket::UnknownSocketError;
        // Words that came ahead of the close in a read of their own are
        // words all the same while nobody has read them and nothing was sent.
        if (closed && m_words.isEmpty() && m_sent == 0 && m_received > 0 && m_in.size() == m_received) {
            m_words = closingWords(m_in);
            if (!m_words.isEmpty())
                m_in.clear();
        }
        m_advice = QStringLiteral("Check that the server is running and that %1 can be reached").arg(m_address.host);
        if (!m_words.isEmpty()) {
            m_advice.clear(); // its words say why
            emit lost(QStringLiteral("the server %1 answered \"%2\" and closed the connection").arg(where(), m_words));
        } else if (closed && m_heard == 0) {
            m_advice = turnedAway();
            emit lost(QStringLiteral("the server %1 closed the connection before sending anything").arg(where()));
        } else {
            emit lost(closed ? QStringLiteral("the server %1 closed the connection").arg(where())
                             : QStringLiteral("the connection to %1 failed (%2)").arg(where(), text));
        }
        return;
    }
    QString reason;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        reason = QStringLiteral("the connection was refused. Check the port number and that the server "
                                "is running");
        break;
    case QAbstractSocket::RemoteHostClosedError: // taken, then closed before it was seen up
        reason = QStringLiteral("the server closed the connection at once. %1").arg(turnedAway());
        break;
    case QAbstractSocket::HostNotFoundError:
        reason = QStringLiteral("no such host. Check the address");
        break;
    default:
        reason = text;
    }
    emit openFailed(QStringLiteral("cannot connect to %1: %2.").arg(where(), reason), false);
}

QString NetTransport::turnedAway() const
{
    return QStringLiteral("Another client may hold the server's port (a server that serves one client at a time "
                          "turns others away so); if not, check that the server is running and that %1 can be "
                          "reached").arg(m_address.host);
}

void NetTransport::dropSocket()
{
    m_connectTimer.stop();
    m_confirmTimer.stop();
    m_open = m_ready = false;
    m_waitingToWrite = false;
    if (!m_socket)
        return;
    QTcpSocket *socket = std::exchange(m_socket, nullptr);
    socket->disconnect(this);
    socket->abort();
    // This may run inside one of the socket's own signals.
    socket->deleteLater();
}

void NetTransport::close()
{
    dropSocket();
    m_in.clear();
}

void NetTransport::sendLine()
{
    m_codec.setLine(quint32(m_settings.baud), m_settings.dataBits, m_settings.parity, m_settings.stopBits);
}

bool NetTransport::setSettings(const LineSettings &settings, QString *)
{
    m_settings = settings;
    // Raw TCP: the speed is the server's business.
    if (telnet() && m_open) {
        sendLine();
        flushCodec();
        m_confirmTimer.start();
    }
    return true;
}

void NetTransport::warnOnce(const QString &problem, const QString &text)
{
    if (m_warned.contains(problem))
        return;
    m_warned << problem;
    emit warning(text);
}

// Each setting the server has not confirmed is a problem of its own: a
// refused speed change is told even after DTR and RTS were.
void NetTransport::confirmTimedOut()
{
    if (!telnet() || !m_open)
        return;
    // No answer about COM-PORT yet: data goes all the same.
    becomeReady();
    if (m_codec.comPort() != TelnetCodec::ComPort::Accepted) {
        warnOnce(QStringLiteral("COM-PORT"),
                 QStringLiteral("the server %1 %2 the serial port settings (RFC 2217). Commands still go "
                                "through; set the port to %3, no flow control, on the server.")
                     .arg(where(),
                          m_codec.comPort() == TelnetCodec::ComPort::Refused ? QStringLiteral("does not take")
                                                                            : QStringLiteral("did not answer"),
                          m_settings.toString()));
        return;
    }
    QStringList fresh;
    for (const QString &setting : m_codec.unconfirmed())
        if (!m_warned.contains(setting))
            fresh << setting;
    if (fresh.isEmpty())
        return;
    m_warned << fresh;
    emit warning(QStringLiteral("the server %1 did not confirm %2. Commands still go through; if the "
                                "projector needs %3, set %3 on the server.")
                     .arg(where(), fresh.join(QLatin1String(", ")),
                          fresh.size() == 1 ? QStringLiteral("it") : QStringLiteral("them")));
}

void NetTransport::flushCodec()
{
    if (m_socket && m_codec.hasOutput())
        send(m_codec.takeOutput());
}

// Hands bytes to the socket and starts them on their way now.
void NetTransport::send(const QByteArray &bytes)
{
    m_socket->write(bytes);
    m_socket->flush();
}

qint64 NetTransport::write(const QByteArray &bytes)
{
    if (!m_ready)
        return -1;
    const qint64 room = MaxBuffered - m_socket->bytesToWrite();
    if (room <= 0) {
        // The socket says when it has sent some: bytesWritten, above.
        m_waitingToWrite = true;
        return 0;
    }
    const qint64 taken = qMin<qint64>(bytes.size(), room);
    // The socket keeps a large piece by a share of it, so it must own its
    // bytes: never an array over memory that is not its own.
    const QByteArray piece = taken == bytes.size() ? bytes : bytes.first(taken);
    m_sent += taken;
    if (telnet()) {
        m_codec.sendData(piece);
        flushCodec();
    } else {
        send(piece);
    }
    return taken;
}

bool NetTransport::closedBehind() const
{
    char c;
    const qintptr fd = m_socket->socketDescriptor();
    const ssize_t n = fd < 0 ? -1 : ::recv(int(fd), &c, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno == ECONNRESET);
}

void NetTransport::received()
{
    const QByteArray bytes = m_socket->readAll();
    m_heard += bytes.size();
    const QByteArray data = telnet() ? m_codec.receive(bytes) : bytes;
    // Words the server closes the connection with are not the line's data;
    // the close that follows tells them.
    if (m_received == 0 && !data.isEmpty() && closedBehind()) {
        m_words = closingWords(data);
        if (!m_words.isEmpty())
            return;
    }
    m_received += data.size();
    flushCodec();
    // The settings went out ahead of any data, if the server took them.
    if (telnet() && m_codec.comPort() != TelnetCodec::ComPort::Asked)
        becomeReady();
    // Looked at on every read, worded once.
    if (telnet() && !m_codec.ignoredOptions().empty() && !m_warned.contains(IgnoredOptions)) {
        QStringList options;
        for (const quint8 option : m_codec.ignoredOptions())
            options << QString::number(option);
        warnOnce(IgnoredOptions,
                 QStringLiteral("the server %1 keeps asking about Telnet option %2 after the panel has "
                                "answered; the panel has stopped answering. Commands still go through.")
                     .arg(where(), options.join(QLatin1String(", "))));
    }
    if (data.isEmpty())
        return;
    // Nobody reading is no reason to grow without end: keep the newest.
    m_in += data;
    if (m_in.size() > MaxBuffered)
        m_in.remove(0, m_in.size() - MaxBuffered);
    emit readyRead();
}

QByteArray NetTransport::readAll()
{
    return std::exchange(m_in, QByteArray());
}

qint64 NetTransport::bytesToWrite() const
{
    if (!m_socket)
        return 0;
    // The kernel's send queue too: what the far end has not acknowledged.
    int unsent = 0;
    const qintptr fd = m_socket->socketDescriptor();
    if (fd < 0 || ::ioctl(int(fd), SIOCOUTQ, &unsent) != 0)
        unsent = 0;
    return m_socket->bytesToWrite() + unsent;
}

QString NetTransport::lossAdvice() const
{
    return m_advice;
}

} // namespace qn62
