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
        setLine(Line::Transmit, monitorText(Data));
        Timer2.setEnabled(true);
        // A command that never left is not an unanswered one: say why it was
        // not sent, and keep the end of the reply window from marking it.
        AwaitingReply = sent ? 1 : 0;
        if (!sent)
            setLine(Line::Receive, QLatin1String(NotSentMark) + m_port->errorString());
        Timer4.setEnabled(true);
        return;
    }

    const QString shown = monitorText(Data);
    setLine(Line::Receive, shown);
    if (const std::optional<QString> status = decodeReply(CurrentCommand, CommandPrefix, shown))
        setLine(Line::Status, *status);
}

void TransactionEngine::MSComm1_OnComm()
{
    if (m_port->commEvent() != CommPort::ComEvReceive)
        return;
    const QString received = m_port->input();
    // The buffer holds at most ReplyBufferLimit characters; what arrives
    // beyond that is dropped until the reply window empties it, so a line
    // that never stops talking costs neither memory nor time.
    const int room = ReplyBufferLimit - ReplyBuffer.size();
    const QString kept = received.left(qMax(room, 0));
    AwaitingReply = 0;
    if (kept.isEmpty() && !received.isEmpty())
        return;
    ReplyBuffer += kept;
    Hyouji(ReplyBuffer, KindReceived);
}

void TransactionEngine::Timer2_Timer()
{
    if (AwaitingReply == 1)
        setLine(Line::Receive, QString::fromLatin1(NoReplyMark));
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
