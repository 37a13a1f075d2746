#include "transaction.h"

#include "commport.h"
#include "decoder.h"
#include "monitortext.h"

namespace qn62 {

TransactionEngine::TransactionEngine(CommPort *port, QObject *parent)
    : QObject(parent)
    , m_port(port)
{
    connect(m_port, &CommPort::onComm, this, &TransactionEngine::MSComm1_OnComm);
    connect(m_port, &CommPort::outputDropped, this, &TransactionEngine::outputDropped);
    connect(&Timer2, &IntervalTimer::Timer, this, &TransactionEngine::Timer2_Timer);
    connect(&Timer4, &IntervalTimer::Timer, this, &TransactionEngine::Timer4_Timer);
}

void TransactionEngine::setLine(Line which, const QString &text)
{
    QString &current = m_lines[int(which)];
    if (current == text)
        return;
    current = text;
    emit lineChanged(which, text);
}

void TransactionEngine::Hyouji(const QString &Data, quint8 Kind)
{
    if (Kind == KindTransmit) {
        const bool sent = m_port->output(Data);
        m_decoded.clear();
        setLine(Line::Transmit, monitorText(Data));
        Timer2.setEnabled(true);
        // A command that never left is not an unanswered one: say why it was
        // not sent, and keep the end of the reply window from marking it.
        AwaitingReply = sent ? 1 : 0;
        if (!sent) {
            setLine(Line::Receive, QLatin1String(NotSentMark) + m_port->errorString());
            emit notSent(Data, m_port->errorString());
        }
        Timer4.setEnabled(true);
        return;
    }

    const QString shown = monitorText(Data);
    setLine(Line::Receive, shown);
    if (const std::optional<QString> status = decodeReply(CurrentCommand, CommandPrefix, shown)) {
        setLine(Line::Status, *status);
        if (*status != m_decoded)
            emit decoded(m_decoded = *status);
    }
}

void TransactionEngine::MSComm1_OnComm()
{
    if (m_port->commEvent() != CommPort::ComEvReceive)
        return;
    const QString received = m_port->input();
    // The buffer keeps the newest ReplyBufferLimit characters, so a line
    // that never stops talking costs neither memory nor time, and a reply
    // after a flood is still seen.
    ReplyBuffer += received.right(ReplyBufferLimit);
    if (ReplyBuffer.size() > ReplyBufferLimit)
        ReplyBuffer.remove(0, ReplyBuffer.size() - ReplyBufferLimit);
    AwaitingReply = 0;
    Hyouji(ReplyBuffer, KindReceived);
}

void TransactionEngine::outputDropped(const QString &why, const QString &lastCommand)
{
    // Commands thrown away at a close never went out: the newest of them
    // shows as not sent, and the reply window does not mark it unanswered.
    AwaitingReply = 0;
    setLine(Line::Transmit, monitorText(lastCommand));
    setLine(Line::Receive, QLatin1String(NotSentMark) + why);
    Timer4.setEnabled(true);
}

void TransactionEngine::Timer2_Timer()
{
    // A command still in the output queue, behind a line that does not take
    // data, has not been heard by the projector yet: its silence is no
    // missing reply. It goes out once the line moves, or is thrown away (and
    // told) at a close.
    const CommPort::Waiting waiting = AwaitingReply == 1 ? m_port->newestWaiting() : CommPort::Waiting();
    if (waiting.own > 0) {
        const QString port = m_port->describe(m_port->commPort());
        setLine(Line::Receive, QLatin1String(WaitingMark)
                    + (waiting.ahead > 0
                           ? QStringLiteral("%1 is not taking data, and %2 bytes are ahead of this command.")
                                 .arg(port).arg(waiting.ahead)
                           : QStringLiteral("%1 is not taking data; %2 bytes of this command have not gone out.")
                                 .arg(port).arg(waiting.own)));
    } else if (AwaitingReply == 1) {
        setLine(Line::Receive, QString::fromLatin1(NoReplyMark));
        emit noReply(CurrentCommand);
    }
    Timer2.setEnabled(false);
    ReplyBuffer.clear();
    AwaitingReply = 0;
}

void TransactionEngine::Timer4_Timer()
{
    setLine(Line::Transmit, QString());
    setLine(Line::Receive, QString());
    setLine(Line::Status, QString());
    Timer4.setEnabled(false);
}

} // namespace qn62
