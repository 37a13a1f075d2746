#include "sim/ptyprojector.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace qn62::sim {

namespace {

QString systemError(const char *what, int error)
{
    return QStringLiteral("%1: %2")
        .arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

PtyProjector::PtyProjector(PtyOptions options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
{
    m_clock.start();
    m_projector.setPhaseLengths(m_options.countDownMs, m_options.coolingMs);
    m_line.reserve(kMaxLineBytes);
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sendTimer, &QTimer::timeout, this, &PtyProjector::sendDue);
}

PtyProjector::~PtyProjector()
{
    close();
}

bool PtyProjector::fail(const QString &message)
{
    m_error = message;
    close();
    return false;
}

bool PtyProjector::open()
{
    if (isOpen())
        return true;
    m_error.clear();
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) < 0) {
        m_master = m_slave = -1;
        return fail(systemError("cannot open a pseudo-terminal", errno));
    }
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    if (::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) < 0)
        return fail(systemError("cannot make the pseudo-terminal non-blocking", errno));

    // Raw mode: no echo, no line editing, CR stays CR in both directions.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) < 0)
        return fail(systemError("cannot read the terminal settings", errno));
    ::cfmakeraw(&tio);
    if (::tcsetattr(m_slave, TCSANOW, &tio) < 0)
        return fail(systemError("cannot set raw mode", errno));

    char name[PATH_MAX];
    if (const int error = ::ttyname_r(m_slave, name, sizeof name))
        return fail(systemError("cannot find the pseudo-terminal's name", error));
    m_slavePath = QString::fromLocal8Bit(name);

    if (!m_options.linkPath.isEmpty()) {
        // A link left behind by an earlier run is replaced, anything else
        // at that path is not.
        if (QFileInfo(m_options.linkPath).isSymLink())
            QFile::remove(m_options.linkPath);
        QFile target(m_slavePath);
        if (!target.link(m_options.linkPath)) {
            return fail(QStringLiteral("cannot create the link %1: %2")
                            .arg(m_options.linkPath, target.errorString()));
        }
    }

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyProjector::readMaster);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyProjector::flush);
    return true;
}

void PtyProjector::close()
{
    // close() may run from a slot connected to one of our own signals,
    // i.e. inside a notifier's activation: let the loop delete them.
    for (QSocketNotifier **notifier : {&m_readNotifier, &m_writeNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
    m_sendTimer.stop();
    m_outbox.clear();
    m_output.clear();
    m_line.clear();
    m_lineTooLong = false;
    m_afterCr = false;
    if (!m_options.linkPath.isEmpty() && !m_slavePath.isEmpty()
        && QFileInfo(m_options.linkPath).symLinkTarget() == m_slavePath)
        QFile::remove(m_options.linkPath);
    for (int *fd : {&m_master, &m_slave}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_slavePath.clear();
}

void PtyProjector::readMaster()
{
    char buffer[512];
    while (isOpen()) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            for (ssize_t i = 0; i < n && isOpen(); ++i)
                take(buffer[i]);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n == 0 || errno != EAGAIN) {
                // Cannot happen while the slave side is held open here;
                // stop watching rather than spin on a dead descriptor.
                qWarning("qn62-sim: the pseudo-terminal stopped delivering data");
                m_readNotifier->setEnabled(false);
            }
            return;
        }
    }
}

// Splits the incoming bytes into command lines at CR. An LF right after a
// CR is dropped, so CR LF line ends work too.
void PtyProjector::take(char byte)
{
    const bool afterCr = std::exchange(m_afterCr, byte == '\r');
    if (byte == '\n' && afterCr)
        return;
    if (byte == '\r') {
        endLine();
    } else if (m_line.size() < kMaxLineBytes) {
        m_line.append(byte);
    } else {
        m_lineTooLong = true;
    }
}

void PtyProjector::endLine()
{
    if (m_line.isEmpty())
        return; // blank lines are ignored
    const QByteArray reply = m_lineTooLong ? QByteArray(1, Projector::kNak)
                                           : m_projector.handleCommand(m_line, elapsedMs());
    const QByteArray command = m_line;
    m_line.clear();
    m_lineTooLong = false;
    queueReply(reply);
    emit commandReceived(command, reply);
}

void PtyProjector::queueReply(const QByteArray &reply)
{
    if (m_options.silent || reply.isEmpty())
        return;
    qint64 due = std::max(elapsedMs() + std::max(m_options.delayMs, 0), m_lastDueMs);
    const int pieces = std::clamp(m_options.splitPieces, 1, int(reply.size()));
    int from = 0;
    for (int i = 1; i <= pieces; ++i) {
        const int to = int(reply.size()) * i / pieces;
        m_outbox.push_back({due, reply.mid(from, to - from)});
        from = to;
        due += kPieceGapMs;
    }
    if (m_options.noise)
        m_outbox.push_back({due, noiseBytes()});
    m_lastDueMs = m_outbox.back().dueMs;
    sendDue();
}

void PtyProjector::sendDue()
{
    const qint64 now = elapsedMs();
    while (!m_outbox.empty() && m_outbox.front().dueMs <= now) {
        const QByteArray bytes = std::move(m_outbox.front().bytes);
        m_outbox.pop_front();
        write(bytes);
    }
    if (!m_outbox.empty())
        m_sendTimer.start(int(m_outbox.front().dueMs - now));
}

void PtyProjector::write(const QByteArray &bytes)
{
    if (m_output.size() + bytes.size() > kMaxOutputBytes)
        return; // the far end is not reading; drop rather than pile up
    m_output += bytes;
    flush();
}

void PtyProjector::flush()
{
    while (isOpen() && !m_output.isEmpty()) {
        const ssize_t n = ::write(m_master, m_output.constData(), size_t(m_output.size()));
        if (n > 0) {
            const QByteArray written = m_output.left(n);
            m_output.remove(0, n);
            emit dataWritten(written);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            const bool full = n < 0 && errno == EAGAIN;
            if (!full) {
                qWarning("qn62-sim: writing the pseudo-terminal failed: %s", std::strerror(errno));
                m_output.clear();
            }
            m_writeNotifier->setEnabled(full);
            return;
        }
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
}

// A few stray bytes that can never pass for a reply: printable characters
// and control codes, but no CR, LF, ACK or NAK.
QByteArray PtyProjector::noiseBytes()
{
    auto *random = QRandomGenerator::global();
    QByteArray bytes;
    const int count = random->bounded(1, kMaxNoiseBytes + 1);
    while (bytes.size() < count) {
        const char byte = char(random->bounded(0x01, 0x7F));
        if (byte != '\r' && byte != '\n' && byte != Projector::kAck && byte != Projector::kNak)
            bytes.append(byte);
    }
    return bytes;
}

} // namespace qn62::sim
