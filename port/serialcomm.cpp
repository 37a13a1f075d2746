#include "serialcomm.h"

#include "nettransport.h"
#include "portaddress.h"
#include "serialtransport.h"

namespace qn62 {

Transport *createTransport(const QString &address, QObject *parent)
{
    PortAddress parsed;
    if (PortAddress::parse(address, &parsed, nullptr) && parsed.isNetwork())
        return new NetTransport(parsed, parent);
    return new SerialTransport(address, nullptr, parent);
}

SerialComm::SerialComm(QObject *parent)
    : CommPort(parent)
    , m_queue([this](const char *data, qint64 size) { return m_transport ? m_transport->write(data, size) : -1; },
              [this] { return m_transport ? m_transport->bytesToWrite() : 0; })
{
    for (const char *path : DefaultDevices)
        m_devices << QString::fromLatin1(path);
}

SerialComm::~SerialComm()
{
    if (m_transport) {
        m_transport->disconnect(this);
        m_transport->close();
        delete m_transport;
    }
}

void SerialComm::setDevice(int port, const QString &address)
{
    if (port >= 1 && port <= PortCount)
        m_devices[port - 1] = SerialTransport::devicePath(address);
}

QString SerialComm::device(int port) const
{
    return (port >= 1 && port <= PortCount) ? m_devices[port - 1] : QString();
}

QString SerialComm::describe(int port) const
{
    return QStringLiteral("COM%1 (%2)").arg(port).arg(device(port));
}

bool SerialComm::fail(const QString &message)
{
    m_error = message;
    return false;
}

bool SerialComm::setCommPort(int port)
{
    if (port < 1 || port > PortCount)
        return fail(QStringLiteral("There is no port COM%1; choose COM1 or COM2.").arg(port));
    if (m_transport)
        return fail(QStringLiteral("%1 is open; close it before choosing another port.").arg(describe(m_port)));
    m_port = port;
    return true;
}

bool SerialComm::setSettings(const QString &settings)
{
    LineSettings parsed = m_settings;
    QString why;
    if (!parsed.parse(settings, &why))
        return fail(why);
    m_settings = parsed;
    // A transport still connecting takes the settings too, for when it is up.
    if (m_transport && !m_transport->setSettings(m_settings, &why))
        return fail(QStringLiteral("%1: %2").arg(describe(m_port), why));
    return true;
}

void SerialComm::closeTransport()
{
    m_queue.clear();
    if (!m_transport)
        return;
    Transport *transport = std::exchange(m_transport, nullptr);
    transport->disconnect(this);
    transport->close();
    // It may be the sender of the signal being handled.
    transport->deleteLater();
}

bool SerialComm::setPortOpen(bool open)
{
    if (open == portOpen())
        return true;
    if (!open) {
        closeTransport();
        return true;
    }

    const QString address = device(m_port);
    if (address.isEmpty())
        return fail(QStringLiteral("COM%1 has no device assigned.").arg(m_port));

    Transport *transport = m_factory(address, this);
    connect(transport, &Transport::opened, this, [this] {
        drain();
        emit portOpened();
    });
    connect(transport, &Transport::openFailed, this, [this](const QString &reason) {
        if (m_opening) {
            m_openFailure = reason;
            return;
        }
        // An open that was still under way when setPortOpen() returned.
        closeTransport();
        m_error = QStringLiteral("%1: %2").arg(describe(m_port), reason);
        emit portLost(m_error);
    });
    connect(transport, &Transport::readyRead, this, [this] {
        m_event = ComEvReceive;
        emit onComm();
    });
    connect(transport, &Transport::readyWrite, this, &SerialComm::drain);
    connect(transport, &Transport::lost, this, &SerialComm::handleLost);
    connect(transport, &Transport::warning, this, [this](const QString &text) {
        emit portWarning(QStringLiteral("%1: %2").arg(describe(m_port), text));
    });

    m_transport = transport;
    m_openFailure.clear();
    m_opening = true;
    transport->open(m_settings);
    m_opening = false;
    if (!m_openFailure.isEmpty()) {
        closeTransport();
        return fail(QStringLiteral("%1: %2").arg(describe(m_port), m_openFailure));
    }
    return true;
}

bool SerialComm::output(const QString &text)
{
    if (!m_transport)
        return fail(QStringLiteral("%1 is not open.").arg(describe(m_port)));
    if (!m_transport->isOpen())
        return fail(QStringLiteral("%1 is still connecting.").arg(describe(m_port)));
    const QByteArray bytes = text.toLatin1();
    if (bytes.size() > OutputQueue::Capacity)
        return fail(QStringLiteral("%1: the command is %2 characters long; at most %3 go out at once.")
                        .arg(describe(m_port)).arg(bytes.size()).arg(OutputQueue::Capacity));
    if (!m_queue.enqueue(bytes))
        return fail(QStringLiteral("%1: the line is not taking data; %2 bytes are still waiting to go out "
                                   "and this command does not fit behind them.")
                        .arg(describe(m_port)).arg(m_queue.pending()));
    drain();
    if (!m_transport)
        return false; // the line was lost while writing; m_error says so
    return true;
}

void SerialComm::drain()
{
    if (m_transport && m_transport->isOpen())
        m_queue.drain();
}

QString SerialComm::input()
{
    m_event = 0;
    return m_transport ? QString::fromLatin1(m_transport->readAll()) : QString();
}

void SerialComm::handleLost(const QString &reason)
{
    if (!m_transport)
        return;
    closeTransport();
    m_error = QStringLiteral("%1 has been closed: %2. Check the cable or adapter, then choose the port "
                             "again to reopen it.").arg(describe(m_port), reason);
    emit portLost(m_error);
}

} // namespace qn62
