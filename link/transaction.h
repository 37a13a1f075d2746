#pragma once

#include "intervaltimer.h"

#include <QObject>
#include <QString>

namespace qn62 {

class CommPort;

// The one path by which commands go out and replies come in.
//
// A sender stores the complete command (prefix, code, CR) in
// CurrentCommand and calls Hyouji(CurrentCommand, 1): the command is
// written to the port, shown on the transmit line, and the reply window
// (Timer2) and the monitor clear (Timer4) are started. Received characters
// collect in ReplyBuffer, are shown on the receive line and, for a status
// query, decoded onto the status line. When the reply window ends the buffer
// is emptied, and a command that got no reply at all is marked " X X X X";
// one that is still waiting in the port's output queue says so instead.
//
// The engine owns no widgets: it keeps the texts of the three monitor lines
// and announces every change, and the window shows them.
class TransactionEngine : public QObject
{
    Q_OBJECT
public:
    static constexpr quint8 KindTransmit = 1;
    static constexpr quint8 KindReceived = 2;
    static constexpr int ReplyBufferLimit = 1024;
    static constexpr int ReplyWindowMs = 500;
    static constexpr int MonitorClearMs = 1000;
    static constexpr const char *NoReplyMark = " X X X X";
    static constexpr const char *NotSentMark = " NOT SENT: ";
    static constexpr const char *WaitingMark = " WAITING TO GO OUT: ";
    // A receive line that tells of the command rather than shows the reply.
    static bool isMark(const QString &text)
    {
        return text.startsWith(QLatin1String(NotSentMark)) || text.startsWith(QLatin1String(WaitingMark));
    }

    enum class Line { Transmit, Receive, Status };

    explicit TransactionEngine(CommPort *port, QObject *parent = nullptr);

    // Values that live as long as the window.
    QString CurrentCommand;
    QString CommandPrefix;
    QString ReplyBuffer;
    quint8 AwaitingReply = 0;
    IntervalTimer Timer2{ReplyWindowMs};
    IntervalTimer Timer4{MonitorClearMs};

    // Kind 1 writes Data to the port; any other kind shows and decodes Data
    // as the text received so far.
    void Hyouji(const QString &Data, quint8 Kind);

    void MSComm1_OnComm();
    void Timer2_Timer();
    // The port threw away commands at a close; lastCommand was the newest.
    void outputDropped(const QString &why, const QString &lastCommand);
    void Timer4_Timer();

    QString line(Line which) const { return m_lines[int(which)]; }
    void setLine(Line which, const QString &text);

    CommPort *port() const { return m_port; }

signals:
    void lineChanged(qn62::TransactionEngine::Line which, const QString &text);
    // What a traffic log tells besides the bytes: a command that did not go
    // out and why, one that got no reply within its reply window, and the
    // words a decoded reply put on the status line (each new text once per
    // command, as the reply grows).
    void notSent(const QString &command, const QString &why);
    void noReply(const QString &command);
    void decoded(const QString &status);

private:
    CommPort *m_port;
    QString m_lines[3];
    QString m_decoded; // the status told since the last send
};

} // namespace qn62
