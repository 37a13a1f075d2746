#include "trafficlog.h"

#include <QDateTime>

#include <fcntl.h>
#include <unistd.h>

namespace qn62 {

TrafficLog::~TrafficLog() = default;

void TrafficLog::setFailureHandler(std::function<void(const QString &why)> handler)
{
    m_onFailure = std::move(handler);
}

bool TrafficLog::open(const QString &path)
{
    m_file.close();
    m_path = path;
    // Appended by the system, so that a device such as /dev/stderr serves
    // too; unbuffered, so that every line reaches the file as it is written.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    const QString why = fd < 0 ? qt_error_string(errno) : QString();
    if (fd >= 0 && m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        return true;
    if (fd >= 0)
        ::close(fd);
    fail(QStringLiteral("The traffic log %1 cannot be opened (%2); nothing is logged.")
             .arg(path, why.isEmpty() ? m_file.errorString() : why));
    return false;
}

bool TrafficLog::isOpen() const
{
    return m_file.isOpen();
}

void TrafficLog::fail(const QString &why)
{
    m_file.close();
    if (m_onFailure)
        m_onFailure(why);
}

void TrafficLog::transmitted(const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        write("TX " + formatBytes(bytes));
}

void TrafficLog::received(const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        write("RX " + formatBytes(bytes));
}

void TrafficLog::note(const QString &text)
{
    // One event a line, whatever the text holds.
    QString flat = text;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    write("-- " + flat.toUtf8());
}

void TrafficLog::write(const QByteArray &event)
{
    if (!m_file.isOpen())
        return;
    // The local time of a second is worked out once: its offset can change
    // only from one second to the next, and the conversion costs more than
    // the rest of the line.
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    if (second != m_second || m_stamp.isEmpty()) {
        const QDateTime at = QDateTime::fromSecsSinceEpoch(second);
        const int offset = at.offsetFromUtc();
        m_second = second;
        m_stamp = at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
        m_offset = (offset < 0 ? '-' : '+')
            + QTime(0, 0).addSecs(qAbs(offset)).toString(QStringLiteral("HH:mm")).toLatin1() + ' ';
    }
    const int milli = int(ms - second * 1000);
    const char fraction[] = {'.', char('0' + milli / 100), char('0' + milli / 10 % 10), char('0' + milli % 10)};
    QByteArray line;
    line.reserve(m_stamp.size() + 4 + m_offset.size() + event.size() + 1);
    line.append(m_stamp).append(fraction, 4).append(m_offset).append(event).append('\n');
    if (m_file.write(line) != line.size())
        fail(QStringLiteral("The traffic log %1 cannot be written (%2); nothing more is logged.")
                 .arg(m_path, m_file.errorString()));
}

QByteArray TrafficLog::formatBytes(const QByteArray &bytes)
{
    QByteArray text = bytes;
    for (char &c : text)
        if (c < 0x20 || c > 0x7E)
            c = '.';
    return bytes.toHex(' ').toUpper() + "  " + text;
}

} // namespace qn62
