#include "serialcomm.h"

#include <unistd.h>

#include <QFileInfo>

namespace qn62 {

SerialComm::SerialComm(QObject *parent)
    : CommPort(parent)
{
    for (const char *path : DefaultDevices)
        m_devices << QString::fromLatin1(path);

    connect(&m_serial, &QSerialPort::readyRead, this, [this] {
        m_event = ComEvReceive;
        emit onComm();
    });
    connect(&m_serial, &QSerialPort::errorOccurred, this, &SerialComm::handleError);
}

SerialComm::~SerialComm()
{
    m_serial.close();
}

void SerialComm::setDevice(int port, const QString &path)
{
    if (port >= 1 && port <= PortCount)
        m_devices[port - 1] = path;
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
    if (m_serial.isOpen())
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
    return !m_serial.isOpen() || applySettings();
}

bool SerialComm::applySettings()
{
    static constexpr struct { char letter; QSerialPort::Parity parity; } Parities[] = {
        {'N', QSerialPort::NoParity}, {'E', QSerialPort::EvenParity}, {'O', QSerialPort::OddParity},
        {'M', QSerialPort::MarkParity}, {'S', QSerialPort::SpaceParity},
    };
    QSerialPort::Parity parity = QSerialPort::NoParity;
    for (const auto &p : Parities)
        if (p.letter == m_settings.parity)
            parity = p.parity;

    const bool ok = m_serial.setBaudRate(m_settings.baud)
        && m_serial.setParity(parity)
        && m_serial.setDataBits(static_cast<QSerialPort::DataBits>(m_settings.dataBits))
        && m_serial.setStopBits(m_settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)
        && m_serial.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok)
        return fail(QStringLiteral("%1: the line settings %2 could not be applied (%3).")
                        .arg(describe(m_port), m_settings.toString(), m_serial.errorString()));
    return true;
}

QString SerialComm::openFailureText(QSerialPort::SerialPortError error) const
{
    const QString where = describe(m_port);
    const QString path = device(m_port);
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("%1: no such device. Check that the cable or USB serial adapter is "
                              "plugged in, or choose the other port.").arg(where);
    case QSerialPort::PermissionError:
        if (QFileInfo::exists(path) && ::access(path.toLocal8Bit().constData(), R_OK | W_OK) != 0)
            return QStringLiteral("%1: permission denied. Your user must be in the 'dialout' group: "
                                  "run 'sudo adduser $USER dialout', then log out and in again.").arg(where);
        return QStringLiteral("%1: the port is in use by another program. Close that program, "
                              "or choose the other port.").arg(where);
    default:
        return QStringLiteral("%1: the port could not be opened (%2).").arg(where, m_serial.errorString());
    }
}

bool SerialComm::setPortOpen(bool open)
{
    if (open == m_serial.isOpen())
        return true;
    if (!open) {
        m_serial.close();
        return true;
    }

    const QString path = device(m_port);
    if (path.isEmpty())
        return fail(QStringLiteral("COM%1 has no device assigned.").arg(m_port));
    m_serial.setPortName(path);
    if (!m_serial.open(QIODevice::ReadWrite))
        return fail(openFailureText(m_serial.error()));
    if (!applySettings()) {
        m_serial.close();
        return false;
    }
    // Modem lines: DTR up while open, RTS down. Pseudo-terminals and some
    // adapters have no modem lines; that is not a reason to refuse the port.
    m_serial.setDataTerminalReady(true);
    m_serial.setRequestToSend(false);
    m_serial.clearError();
    return true;
}

bool SerialComm::output(const QString &text)
{
    if (!m_serial.isOpen())
        return fail(QStringLiteral("%1 is not open.").arg(describe(m_port)));
    const QByteArray bytes = text.toLatin1();
    if (m_serial.write(bytes) != bytes.size())
        return fail(QStringLiteral("%1: write failed (%2).").arg(describe(m_port), m_serial.errorString()));
    // Hand the bytes to the driver now rather than on the next event-loop pass.
    m_serial.flush();
    return true;
}

QString SerialComm::input()
{
    m_event = 0;
    return QString::fromLatin1(m_serial.readAll());
}

void SerialComm::handleError(QSerialPort::SerialPortError error)
{
    // A device that has gone away keeps the read notifier firing; close the
    // port at once so that it reports once instead of spinning.
    const bool lost = error == QSerialPort::ResourceError || error == QSerialPort::ReadError
        || error == QSerialPort::WriteError;
    if (!lost || !m_serial.isOpen())
        return;
    const QString reason = m_serial.errorString();
    m_serial.clearError();
    m_serial.close();
    m_error = QStringLiteral("%1 stopped working and has been closed (%2). Check the cable or "
                             "adapter, then choose the port again to reopen it.")
                  .arg(describe(m_port), reason);
    emit portLost(m_error);
}

} // namespace qn62
