#include "lineclient.h"

#include "commport.h"
#include "decoder.h"
#include "monitortext.h"

namespace qn62 {

LineClient::LineClient(CommPort *port, QObject *parent)
    : QObject(parent)
    , m_port(port)
{
    m_timer.setSingleShot(true);
    // A coarse timer may end a reply up to 5 % before the time given.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(DefaultTimeoutMs);
    connect(&m_timer, &QTimer::timeout, this, &LineClient::timedOut);
    connect(m_port, &CommPort::onComm, this, &LineClient::received);
    // A lost line answers nothing more: what waits is not sent.
    connect(m_port, &CommPort::portLost, this, &LineClient::abandon);
}

LineClient::~LineClient() = default;

void LineClient::request(const QByteArray &code, Done done)
{
    m_queue.push_back({code, std::move(done)});
    if (!m_onLine && m_queue.size() == 1)
        sendNext();
}

void LineClient::sendNext()
{
    while (!m_onLine && !m_queue.empty()) {
        const QByteArray &code = m_queue.front().code;
        m_reply.clear();
        // Whatever came in before this command is no part of its reply.
        m_port->input();
        if (!m_port->output(QString::fromLatin1(code + '\r'))) {
            Reply reply;
            reply.code = code;
            reply.why = m_port->errorString();
            finish(std::move(reply));
            continue;
        }
        m_onLine = true;
        m_timer.start();
    }
}

void LineClient::received()
{
    if (m_port->commEvent() != CommPort::ComEvReceive)
        return;
    const QByteArray bytes = m_port->input().toLatin1();
    if (!m_onLine)
        return; // after a reply's end and before the next command: dropped
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != Ack && c != Nak)
            continue;
        m_reply += bytes.left(i + 1);
        Reply reply;
        reply.code = m_queue.front().code;
        reply.bytes = std::exchange(m_reply, QByteArray());
        reply.end = c == '\r' ? End::Cr : c == Ack ? End::Ack : End::Nak;
        finish(std::move(reply));
        return;
    }
    m_reply += bytes;
}

void LineClient::timedOut()
{
    if (!m_onLine)
        return;
    Reply reply;
    reply.code = m_queue.front().code;
    reply.bytes = std::exchange(m_reply, QByteArray());
    reply.end = End::TimedOut;
    finish(std::move(reply));
}

// Ends the request at the front of the queue, hands its reply over from the
// event loop, and puts the next command on the line.
void LineClient::finish(Reply reply)
{
    m_timer.stop();
    const bool wentOut = std::exchange(m_onLine, false);
    Done done = std::move(m_queue.front().done);
    m_queue.pop_front();
    tell(std::move(done), std::move(reply), wentOut);
    sendNext();
}

void LineClient::abandon(const QString &why)
{
    m_timer.stop();
    bool onLine = std::exchange(m_onLine, false);
    m_reply.clear();
    std::deque<Request> waiting = std::exchange(m_queue, {});
    for (Request &r : waiting) {
        Reply reply;
        reply.code = r.code;
        reply.why = why;
        tell(std::move(r.done), std::move(reply), std::exchange(onLine, false));
    }
}

void LineClient::tell(Done done, Reply reply, bool wentOut)
{
    emit ended(reply, wentOut);
    QMetaObject::invokeMethod(this, [done = std::move(done), reply = std::move(reply)] { done(reply); },
                              Qt::QueuedConnection);
}

QString replyWords(const QByteArray &code, const QByteArray &reply)
{
    const std::optional<QString> words = decodeReply(QString::fromLatin1(code + '\r'), QString(),
                                                     monitorText(QString::fromLatin1(reply)));
    return words ? words->trimmed() : QString();
}

} // namespace qn62
