#include "trafficlog.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace qn62 {

namespace {

constexpr char Hex[] = "0123456789ABCDEF";

// "43 52 30 0D  CR0." for the bytes C, R, 0, CR, appended to out.
void appendBytes(QByteArray &out, const QByteArray &bytes)
{
    const qsizetype at = out.size();
    out.resize(at + 4 * bytes.size() + 1);
    char *hex = out.data() + at;
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
    appendBytes(begin("TX"), bytes);
    finish();
}

void TrafficLog::received(const QByteArray &bytes)
{
    if (m_fd < 0 || bytes.isEmpty())
        return;
    appendBytes(begin("RX"), bytes);
    finish();
}

void TrafficLog::note(const QString &text)
{
    if (m_fd < 0)
        return;
    // One event a line, whatever the text holds.
    QByteArray &line = begin("--");
    const qsizetype at = line.size();
    line += text.toUtf8();
    for (qsizetype i = at; i < line.size(); ++i)
        if (line[i] == '\r' || line[i] == '\n')
            line[i] = ' ';
    finish();
}

// Starts the line in m_line: the local time, then word and a space. The
// local time of a second is worked out once: its offset can change only
// from one second to the next, and the conversion costs more than the rest
// of the line.
QByteArray &TrafficLog::begin(const char *word)
{
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
    m_line.resize(0);
    m_line.append(m_stamp).append(fraction, 4).append(m_offset).append(word).append(' ');
    return m_line;
}

// Writes the line in m_line, with its end, to the file now.
void TrafficLog::finish()
{
    m_line.append('\n');
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
