#include "serialtransport.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <climits>
#include <grp.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace qn62 {

namespace {

bool applyTo(QSerialPort &port, const LineSettings &s)
{
    static constexpr struct { char letter; QSerialPort::Parity parity; } Parities[] = {
        {'N', QSerialPort::NoParity}, {'E', QSerialPort::EvenParity}, {'O', QSerialPort::OddParity},
        {'M', QSerialPort::MarkParity}, {'S', QSerialPort::SpaceParity},
    };
    QSerialPort::Parity parity = QSerialPort::NoParity;
    for (const auto &p : Parities)
        if (p.letter == s.parity)
            parity = p.parity;
    return port.setBaudRate(s.baud) && port.setParity(parity)
        && port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits))
        && port.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)
        && port.setFlowControl(QSerialPort::NoFlowControl);
}

// QSerialPort's system error texts are strerror() texts.
bool isErrno(const QString &text, std::initializer_list<int> codes)
{
    for (int code : codes)
        if (text == qt_error_string(code))
            return true;
    return false;
}

// The name of the lock file QSerialPort creates for a device path: the path
// without "/dev/", slashes turned into underscores, after "LCK..".
QByteArray lockFileName(const QString &path)
{
    QString name = path;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QFile::encodeName(QLatin1String("LCK..") + name);
}

QString permissionText(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("permission denied.");
    const group *gr = ::getgrgid(st.st_gid);
    const passwd *pw = ::getpwuid(st.st_uid);
    const QString groupName = gr ? QString::fromLocal8Bit(gr->gr_name) : QString::number(st.st_gid);
    const QString owner = pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(st.st_uid);
    // Joining the device's group helps only when the group may read and write
    // it, and it is not the administrator's own group.
    const bool groupMayUse = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (groupMayUse && gr && st.st_gid != 0)
        return QStringLiteral("permission denied. The device is open to the group '%1': run "
                              "'sudo adduser $USER %1', then log out and in again.").arg(groupName);
    return QStringLiteral("permission denied. The device belongs to user '%1', group '%2', mode %3; "
                          "ask the administrator for read and write access to it.")
        .arg(owner, groupName, QStringLiteral("%1").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0')));
}

} // namespace

// ------------------------------------------------------------------ QtSerialIo

QtSerialIo::QtSerialIo(QObject *parent)
    : SerialIo(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialIo::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::NoError)
            return;
        m_error = error;
        m_errorString = m_port.errorString();
        emit errorOccurred(error);
    });
}

QtSerialIo::~QtSerialIo()
{
    close();
}

bool QtSerialIo::applied(bool ok)
{
    if (!ok) {
        m_error = m_port.error();
        m_errorString = m_port.errorString();
    }
    return ok;
}

bool QtSerialIo::open(const QString &path, const LineSettings &settings)
{
    // Settings given before open() are the ones the device opens with: the
    // line never runs at QSerialPort's default speed, not even briefly.
    m_port.setPortName(path);
    if (!applied(applyTo(m_port, settings)) || !applied(m_port.open(QIODevice::ReadWrite)))
        return false;
    m_writable = new QSocketNotifier(m_port.handle(), QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, [this] {
        m_writable->setEnabled(false);
        emit readyWrite();
    });
    return true;
}

bool QtSerialIo::setSettings(const LineSettings &settings)
{
    return applied(applyTo(m_port, settings));
}

void QtSerialIo::setModemLines(bool dtr, bool rts)
{
    // Pseudo-terminals and some adapters have no modem lines; that is not a
    // reason to refuse the port.
    m_port.setDataTerminalReady(dtr);
    m_port.setRequestToSend(rts);
    m_port.clearError();
}

void QtSerialIo::close()
{
    if (!m_port.isOpen())
        return;
    // Output still in the driver would make the kernel's close wait for it
    // (up to 30 s on a UART whose far end does not take it): drop it first.
    ::tcflush(m_port.handle(), TCOFLUSH);
    delete m_writable;
    m_writable = nullptr;
    m_port.close();
}

qint64 QtSerialIo::write(const char *data, qint64 size)
{
    // Straight to the device: QSerialPort's own buffer would grow without
    // bound and report a full device as an error.
    const ssize_t n = ::write(m_port.handle(), data, size_t(size));
    if (n >= 0 || errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        if (n < size)
            m_writable->setEnabled(true);
        return qMax<qint64>(n, 0);
    }
    m_error = QSerialPort::WriteError;
    m_errorString = qt_error_string(errno);
    return -1;
}

qint64 QtSerialIo::bytesInDriver() const
{
    int queued = 0;
    return m_port.isOpen() && ::ioctl(m_port.handle(), TIOCOUTQ, &queued) == 0 ? queued : 0;
}

QByteArray QtSerialIo::readAll()
{
    return m_port.readAll();
}

// ------------------------------------------------------------- SerialTransport

QString SerialTransport::devicePath(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return name;
    return QLatin1String("/dev/") + name;
}

SerialTransport::SerialTransport(const QString &path, std::unique_ptr<SerialIo> io, QObject *parent)
    : Transport(parent)
    , m_path(devicePath(path))
    , m_io(io ? std::move(io) : std::make_unique<QtSerialIo>())
{
    connect(m_io.get(), &SerialIo::readyRead, this, &Transport::readyRead);
    connect(m_io.get(), &SerialIo::readyWrite, this, &Transport::readyWrite);
    connect(m_io.get(), &SerialIo::errorOccurred, this, &SerialTransport::handleError);
}

SerialTransport::~SerialTransport()
{
    close();
}

void SerialTransport::open(const LineSettings &settings)
{
    // One device reached by two names (a link and its target) is locked and
    // opened under one name, so two panels cannot share it.
    const QString canonical = QFileInfo(m_path).canonicalFilePath();
    const QString device = canonical.isEmpty() ? m_path : canonical;
    const QByteArray lockName = lockFileName(device);
    if (lockName.size() > NAME_MAX && !QFileInfo::exists(device)) {
        emit openFailed(noSuchDevice(), true);
        return;
    }
    if (lockName.size() > NAME_MAX) {
        emit openFailed(QStringLiteral("the device path %1 is too long to be locked against other programs "
                                       "(a lock file name holds at most %2 characters); give the device a "
                                       "shorter path.").arg(device).arg(NAME_MAX), false);
        return;
    }
    if (!m_io->open(device, settings)) {
        bool elsewhere = false;
        const QString why = openFailure(device, &elsewhere);
        emit openFailed(why, elsewhere);
        return;
    }
    m_open = true;
    m_io->setModemLines(true, false);
    emit opened();
}

QString SerialTransport::noSuchDevice()
{
    return QStringLiteral("no such device. Check that the cable or USB serial adapter is plugged in.");
}

QString SerialTransport::openFailure(const QString &device, bool *elsewhere) const
{
    const QString text = m_io->errorString();
    *elsewhere = false;
    switch (m_io->error()) {
    case QSerialPort::DeviceNotFoundError:
        *elsewhere = true;
        return noSuchDevice();
    case QSerialPort::PermissionError:
        if (isErrno(text, {EACCES, EPERM}))
            return permissionText(device);
        // QSerialPort's own text when no lock directory can be written to.
        if (text.contains(QLatin1String("creating lock file")))
            return QStringLiteral("the port could not be locked against other programs: no lock directory "
                                  "(/var/lock, /run/lock) can be written to by this user.");
        *elsewhere = true;
        return QStringLiteral("the port is in use by another program. Close that program.");
    default:
        return QStringLiteral("the port could not be opened (%1).").arg(text);
    }
}

void SerialTransport::close()
{
    m_open = false;
    m_io->close();
}

bool SerialTransport::setSettings(const LineSettings &settings, QString *why)
{
    if (m_io->setSettings(settings))
        return true;
    if (why)
        *why = QStringLiteral("the line settings %1 could not be applied (%2).")
                   .arg(settings.toString(), m_io->errorString());
    return false;
}

qint64 SerialTransport::write(const QByteArray &bytes)
{
    if (!m_open)
        return -1;
    const qint64 taken = m_io->write(bytes.constData(), bytes.size());
    if (taken < 0)
        handleError(QSerialPort::WriteError);
    return taken;
}

QByteArray SerialTransport::readAll()
{
    return m_open ? m_io->readAll() : QByteArray();
}

QString SerialTransport::lossReason(QSerialPort::SerialPortError error) const
{
    // A readable device that yields nothing (end of file, the far end hung
    // up, the adapter pulled out) is gone; the system error left behind is
    // stale then and says nothing. A failed write has a fresh one.
    const QString text = m_io->errorString();
    if (error != QSerialPort::WriteError || text.isEmpty() || isErrno(text, {EIO, ENODEV, ENXIO, EBADF}))
        return QStringLiteral("the device disconnected");
    return QStringLiteral("the device stopped working (%1)").arg(text);
}

void SerialTransport::handleError(QSerialPort::SerialPortError error)
{
    const bool gone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError
        || error == QSerialPort::WriteError;
    if (!gone || !m_open)
        return;
    // Close at once: a device that has gone away keeps the read notifier
    // firing, and one report is enough.
    const QString reason = lossReason(error);
    close();
    emit lost(reason);
}

} // namespace qn62
