#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>

namespace qn62 {

class CommPort;

// Asks the projector one command at a time, for programs that want an
// answer rather than a monitor: scripts (qn62-control --send) and the
// network bridge. Requests wait in one queue; the next command goes out only
// once the previous one's reply has ended. A reply ends at its first CR, ACK
// (06h) or NAK (15h), or when the time-out passes with no end. Bytes that
// arrive after the end, until the next command goes out, are dropped.
class LineClient : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultTimeoutMs = 2000;
    static constexpr char Ack = 0x06;
    static constexpr char Nak = 0x15;

    enum class End { Cr, Ack, Nak, TimedOut, NotSent };

    struct Reply
    {
        QByteArray code;  // the command as asked, without its CR
        QByteArray bytes; // as received, up to and including the byte that ended it
        End end = End::NotSent;
        QString why;      // NotSent: why the command did not go out
        // Ended by CR, ACK or NAK.
        bool complete() const { return end == End::Cr || end == End::Ack || end == End::Nak; }
    };
    using Done = std::function<void(const Reply &)>;

    explicit LineClient(CommPort *port, QObject *parent = nullptr);
    ~LineClient() override;

    void setTimeout(int ms) { m_timer.setInterval(ms); }
    int timeout() const { return m_timer.interval(); }

    // Queues code followed by CR. done runs once, from the event loop, when
    // the reply has ended, timed out, or the command could not be sent.
    void request(const QByteArray &code, Done done);
    // Requests not yet answered, the one on the line included.
    int pending() const { return int(m_queue.size()); }
    // Throws away every request not yet answered; each done runs with
    // NotSent and why.
    void abandon(const QString &why);

    // The time-out's tick procedure, public so that tests can run it.
    void timedOut();
    const QTimer &timer() const { return m_timer; }

signals:
    // A request ended, as its done will be told; wentOut says whether its
    // command was put on the line (one that was, ended by a loss, is told
    // NotSent too). Sent at once, before done runs.
    void ended(const qn62::LineClient::Reply &reply, bool wentOut);

private:
    struct Request
    {
        QByteArray code;
        Done done;
    };

    void sendNext();
    void received();
    void finish(Reply reply);
    void tell(Done done, Reply reply, bool wentOut);

    CommPort *m_port;
    std::deque<Request> m_queue; // the front one is on the line while m_onLine
    bool m_onLine = false;
    QByteArray m_reply;
    QTimer m_timer;
};

// The words the panel's status line shows for reply (as received, ending
// byte included) to code, without leading and trailing spaces; empty when
// code is not one of the decoded queries or the reply has no words.
QString replyWords(const QByteArray &code, const QByteArray &reply);

} // namespace qn62
