#include "oneshot.h"

#include "lineclient.h"
#include "serialcomm.h"
#include "traffichook.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace qn62 {

namespace {

void say(const QString &text)
{
    std::fprintf(stderr, "qn62-control: %s\n", qPrintable(text));
}

// Opens the port, puts every code in the line client's queue once the line
// is up, prints the replies in order as they end, and quits.
class OneShot : public QObject
{
public:
    explicit OneShot(const OneShotJob &job)
        : m_job(job)
        , m_traffic(TrafficHook::forLog(&m_port, job.logPath, &say))
    {
        for (int i = 0; i < SerialComm::PortCount; ++i)
            m_port.setDevice(i + 1, job.devices[i]);
        m_port.setVoice(SerialComm::Voice::Script);
        m_client.setTimeout(job.timeoutMs);
        if (m_traffic)
            m_traffic->watch(&m_client);
        // Queued: for a local device the signal comes from inside
        // setPortOpen().
        connect(&m_port, &CommPort::portOpened, this, &OneShot::sendAll, Qt::QueuedConnection);
        connect(&m_client, &LineClient::ended, this, [this](const LineClient::Reply &reply) {
            m_replied = m_replied || reply.complete() || !reply.bytes.isEmpty();
        });
        // A port lost before anything came back could not really be used,
        // whether it went before the commands or after they went out (a
        // server that turns a second client away once it has connected).
        // Later, the line client ends what waits, with the reason.
        connect(&m_port, &CommPort::portLost, this, [this](const QString &message) {
            if (m_replied)
                return;
            m_over = true;
            say(message);
            QCoreApplication::exit(PortUnavailable);
        });
        connect(&m_port, &CommPort::portWarning, this, &say);
    }

    // False, with the reason on stderr, when the port cannot be opened.
    bool start()
    {
        const QString settings = QStringLiteral("%1,N,8,1").arg(m_job.baud);
        if (m_port.setCommPort(m_job.port) && m_port.setSettings(settings) && m_port.setPortOpen(true))
            return true;
        say(m_port.errorString());
        return false;
    }

private:
    void sendAll()
    {
        if (m_sent || !m_port.portOpen())
            return;
        m_sent = true;
        for (const QByteArray &code : m_job.codes)
            m_client.request(code, [this](const LineClient::Reply &reply) { print(reply); });
    }

    void print(const LineClient::Reply &reply)
    {
        if (m_over)
            return;
        const QByteArray line = reply.code + '\t' + replyText(reply.bytes) + '\t'
            + replyWords(reply.code, reply.bytes).toLatin1() + '\n';
        // Results a script never gets are not a success: said once, and
        // the exit status says so too.
        if ((std::fwrite(line.constData(), 1, size_t(line.size()), stdout) != size_t(line.size())
             || std::fflush(stdout) != 0) && !m_unwritten) {
            m_unwritten = true;
            say(QStringLiteral("the results cannot be written to standard output (%1)").arg(qt_error_string(errno)));
        }
        if (m_unwritten)
            m_status = SomeUnanswered;
        const QString code = reply.code.isEmpty() ? QStringLiteral("\"\" (CR alone)")
            : reply.code.size() > CommandShown     ? quotedCommand(reply.code)
                                                   : QString::fromLatin1(reply.code);
        if (reply.end == LineClient::End::NotSent) {
            say(QStringLiteral("%1: not sent: %2").arg(code, reply.why));
        } else if (reply.end == LineClient::End::TimedOut) {
            say(reply.bytes.isEmpty()
                    ? QStringLiteral("%1: no reply within %2 ms").arg(code).arg(m_job.timeoutMs)
                    : QStringLiteral("%1: the reply did not end within %2 ms").arg(code).arg(m_job.timeoutMs));
        }
        if (!reply.complete())
            m_status = SomeUnanswered;
        if (++m_printed == m_job.codes.size()) {
            m_port.setPortOpen(false);
            QCoreApplication::exit(m_status);
        }
    }

    OneShotJob m_job;
    SerialComm m_port;
    // Before the line client, so that a loss is logged before what it ends.
    std::unique_ptr<TrafficHook> m_traffic;
    LineClient m_client{&m_port};
    bool m_sent = false;
    bool m_replied = false; // something came back
    bool m_over = false;    // the exit status is decided
    bool m_unwritten = false; // standard output did not take the results
    int m_printed = 0;
    int m_status = AllAnswered;
};

} // namespace

int runOneShot(int &argc, char **argv, const OneShotJob &job)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qn62-control"));
    OneShot run(job);
    if (!run.start())
        return PortUnavailable;
    return QCoreApplication::exec();
}

QByteArray replyText(const QByteArray &reply)
{
    QByteArray text;
    const QByteArray bytes = reply.endsWith('\r') ? reply.chopped(1) : reply;
    for (const char c : bytes) {
        if (c == LineClient::Ack)
            text += "ACK";
        else if (c == LineClient::Nak)
            text += "NAK";
        else if (c >= 0x20 && c <= 0x7E)
            text += c;
        else
            text += '<' + QByteArray::number(quint8(c), 16).toUpper().rightJustified(2, '0') + '>';
    }
    return text;
}

} // namespace qn62
