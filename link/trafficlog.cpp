#include "trafficlog.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

namespace qn62 {

namespace {

constexpr char Hex[] = "0123456789ABCDEF";

// "43 52 30 0D  CR0." for the bytes C, R, 0, CR, at out, which has room for
// 4 * bytes.size() + 1 characters.
void putBytes(char *out, const QByteArray &bytes)
{
    char *hex = out;
    char *text = hex + 3 * bytes.size() + 1;
    for (const char c : bytes) {
        *hex++ = Hex[quint8(c) >> 4];
        *hex++ = Hex[quint8(c) & 15];
        *hex++ = ' ';
        *text++ = c >= 0x20 && c <= 0x7E ? c : '.';
    }
    *hex = ' ';
}

} // namespace

TrafficLog::~TrafficLog()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void TrafficLog::setFailureHandler(std::function<void(const QString &why)> handler)
{
    m_onFailure = std::move(handler);
}

bool TrafficLog::open(const QString &path)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_path = path;
    // Appended by the system, so that a device such as /dev/stderr serves
    // too, and written straight to the file, a line at a time.
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd >= 0)
        return true;
    fail(QStringLiteral("The traffic log %1 cannot be opened (%2); nothing is logged.").arg(path, qt_error_string(errno)));
    return false;
}

void TrafficLog::fail(const QString &why)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (m_onFailure)
        m_onFailure(why);
}

void TrafficLog::transmitted(const QByteArray &bytes)
{
    if (m_fd < 0 || bytes.isEmpty())
        return;
    putBytes(begin("TX", 4 * bytes.size() + 1), bytes);
    finish();
}

void TrafficLog::received(const QByteArray &bytes)
{
    if (m_fd < 0 || bytes.isEmpty())
        return;
    putBytes(begin("RX", 4 * bytes.size() + 1), bytes);
    finish();
}

void TrafficLog::note(const QString &text)
{
    if (m_fd < 0)
        return;
    // One event a line, whatever the text holds.
    const QByteArray words = text.toUtf8();
    char *out = begin("--", words.size());
    for (const char c : words)
        *out++ = c == '\r' || c == '\n' ? ' ' : c;
    finish();
}

// Starts the line in m_line with the local time, then word and a space,
// and makes room for length characters after them, where it points to.
// The local time of a second is worked out once, since that costs more
// than all the rest of a line: its offset can change only from one second
// to the next. The system's time zone is read again once a minute.
char *TrafficLog::begin(const char word[3], qsizetype length)
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    const qint64 second = now.tv_sec;
    if (second != m_second || m_stamp[0] == 0) {
        if (second / 60 != m_second / 60 || m_stamp[0] == 0)
            tzset();
        m_second = second;
        const time_t at = time_t(second);
        tm local {};
        localtime_r(&at, &local);
        const long offset = (local.tm_gmtoff < 0 ? -local.tm_gmtoff : local.tm_gmtoff) / 60;
        const auto put = [](char *out, long value, int digits) {
            for (int i = digits - 1; i >= 0; --i, value /= 10)
                out[i] = char('0' + value % 10);
        };
        put(m_stamp, (local.tm_year + 1900L) % 10000, 4);
        put(m_stamp + 5, local.tm_mon + 1, 2);
        put(m_stamp + 8, local.tm_mday, 2);
        put(m_stamp + 11, local.tm_hour, 2);
        put(m_stamp + 14, local.tm_min, 2);
        put(m_stamp + 17, local.tm_sec, 2);
        m_stamp[4] = m_stamp[7] = '-';
        m_stamp[10] = 'T';
        m_stamp[13] = m_stamp[16] = ':';
        m_offset[0] = local.tm_gmtoff < 0 ? '-' : '+';
        put(m_offset + 1, offset / 60 % 100, 2);
        m_offset[3] = ':';
        put(m_offset + 4, offset % 60, 2);
        m_offset[6] = ' ';
    }
    const int milli = int(now.tv_nsec / 1000000);
    constexpr qsizetype Stamp = sizeof m_stamp - 1, Offset = sizeof m_offset - 1;
    m_line.resize(Stamp + 4 + Offset + 3 + length + 1);
    char *out = m_line.data();
    std::memcpy(out, m_stamp, Stamp);
    out += Stamp;
    *out++ = '.';
    *out++ = char('0' + milli / 100);
    *out++ = char('0' + milli / 10 % 10);
    *out++ = char('0' + milli % 10);
    std::memcpy(out, m_offset, Offset);
    out += Offset;
    *out++ = word[0];
    *out++ = word[1];
    *out++ = ' ';
    m_line[m_line.size() - 1] = '\n';
    return out;
}

// Writes the line in m_line, with its end, to the file now.
void TrafficLog::finish()
{
    qsizetype done = 0;
    while (done < m_line.size()) {
        const ssize_t n = ::write(m_fd, m_line.constData() + done, size_t(m_line.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(QStringLiteral("The traffic log %1 cannot be written (%2); nothing more is logged.")
                     .arg(m_path, qt_error_string(n < 0 ? errno : ENOSPC)));
            return;
        }
        done += n;
    }
}

} // namespace qn62
