#include "sim/tcpbridge.h"

#include <QSocketNotifier>
#include <QTcpSocket>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace qn62::sim {

TcpBridge::TcpBridge(QString devicePath, QObject *parent)
    : QObject(parent)
    , m_devicePath(std::move(devicePath))
{
    connect(&m_server, &QTcpServer::newConnection, this, &TcpBridge::accept);
}

TcpBridge::~TcpBridge()
{
    dropClient();
}

bool TcpBridge::listen(const QHostAddress &address, quint16 port)
{
    if (m_server.listen(address, port))
        return true;
    m_error = QStringLiteral("cannot listen on %1 port %2: %3")
                  .arg(address.toString()).arg(port).arg(m_server.errorString());
    return false;
}

void TcpBridge::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        if (m_client) {
            socket->abort(); // one client at a time, as on a serial line
            socket->deleteLater();
            continue;
        }
        const int fd = ::open(m_devicePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            qWarning("qn62-sim: cannot open %s: %s", qPrintable(m_devicePath), std::strerror(errno));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        termios tio{};
        if (::tcgetattr(fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd, TCSANOW, &tio);
        }
        m_fd = fd;
        m_client = socket;
        m_client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(m_client, &QTcpSocket::readyRead, this, [this] {
            if (m_toDevice.size() < kMaxPendingBytes)
                m_toDevice += m_client->read(kMaxPendingBytes - m_toDevice.size());
            else
                m_client->readAll(); // the device is not taking anything: drop
            toDevice();
        });
        connect(m_client, &QTcpSocket::disconnected, this, &TcpBridge::dropClient);
        m_readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(m_readNotifier, &QSocketNotifier::activated, this, &TcpBridge::fromDevice);
        m_writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
        m_writeNotifier->setEnabled(false);
        connect(m_writeNotifier, &QSocketNotifier::activated, this, &TcpBridge::toDevice);
    }
}

void TcpBridge::dropClient()
{
    for (QSocketNotifier **notifier : {&m_readNotifier, &m_writeNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
    if (m_client) {
        m_client->disconnect(this);
        m_client->abort();
        m_client->deleteLater();
        m_client = nullptr;
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_toDevice.clear();
}

void TcpBridge::fromDevice()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            if (m_client->bytesToWrite() < kMaxPendingBytes)
                m_client->write(buffer, n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n == 0 || errno != EAGAIN)
                dropClient(); // the device went away
            return;
        }
    }
}

void TcpBridge::toDevice()
{
    while (!m_toDevice.isEmpty()) {
        const ssize_t n = ::write(m_fd, m_toDevice.constData(), size_t(m_toDevice.size()));
        if (n > 0) {
            m_toDevice.remove(0, n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            const bool full = n < 0 && errno == EAGAIN;
            if (!full)
                m_toDevice.clear();
            m_writeNotifier->setEnabled(full);
            return;
        }
    }
    m_writeNotifier->setEnabled(false);
}

} // namespace qn62::sim
