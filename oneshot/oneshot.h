#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace qn62 {

// Commands for scripts and cron: qn62-control --send CODE ... opens the
// port as the panel would (same addresses, locks, line settings and output
// queue), sends each code with its CR one at a time, prints one line per
// code and ends. No window and no display: only QtCore, QtNetwork and
// QtSerialPort are used.
struct OneShotJob
{
    QString devices[2];    // the addresses behind COM1 and COM2
    int port = 1;          // 1 or 2
    int baud = 19200;      // 19200 or 9600, always 8N1
    int timeoutMs = 2000;  // how long a reply may take to end
    QList<QByteArray> codes;
    QString logPath;       // the traffic log; none when empty
};

// Exit statuses of the one-shot.
enum OneShotStatus {
    AllAnswered = 0,     // every code got a complete reply
    SomeUnanswered = 1,  // a code got no reply, or one with no end, or was not sent
    UsageError = 2,      // the command line was wrong (decided before the run)
    PortUnavailable = 3, // the port could not be opened, is held by another program, or was
                         // lost before anything came back (nothing is printed on stdout then)
};

// Runs the job under a QCoreApplication of its own; the result lines go to
// stdout as CODE<TAB>REPLY<TAB>WORDS, the reasons for a failure to stderr.
// Returns the exit status.
int runOneShot(int &argc, char **argv, const OneShotJob &job);

// A reply as the result line shows it: the bytes without the closing CR,
// ACK and NAK as "ACK" and "NAK", any other byte outside 20h-7Eh as <XX>.
QByteArray replyText(const QByteArray &reply);

} // namespace qn62
