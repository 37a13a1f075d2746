#pragma once

#include "sim/projector.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>

class QSocketNotifier;

namespace qn62::sim {

struct PtyOptions
{
    bool silent = false;  // read and run commands, but never answer
    int delayMs = 0;      // hold every reply back this long
    int splitPieces = 1;  // write every reply in this many pieces
    bool noise = false;   // send a few stray bytes after every reply
    QString linkPath;     // if set, made a symlink to slavePath() while open
    int countDownMs = int(Projector::kCountDownMs); // count-down after power on
    int coolingMs = int(Projector::kCoolingMs);     // cooling down after power off
};

// A Projector behind a pseudo-terminal. A serial program opens slavePath()
// and talks to it as to a QN62 on a serial line.
//
// Everything runs on the owning thread's event loop: the master side is
// non-blocking and watched by socket notifiers, replies wait in an outbox
// driven by one timer. The slave side stays open here as well, so the far
// end can open and close it at will without the line hanging up.
class PtyProjector : public QObject
{
    Q_OBJECT

public:
    // A command line longer than this is answered with NAK when its CR
    // arrives; the bytes beyond it are dropped as they come in.
    static constexpr int kMaxLineBytes = 256;
    static constexpr int kPieceGapMs = 5;
    // Bytes the far end has not read yet are dropped beyond this.
    static constexpr int kMaxOutputBytes = 64 * 1024;
    static constexpr int kMaxNoiseBytes = 4;

    explicit PtyProjector(PtyOptions options = {}, QObject *parent = nullptr);
    ~PtyProjector() override;

    bool open();
    void close();
    bool isOpen() const { return m_master >= 0; }
    QString errorString() const { return m_error; }
    QString slavePath() const { return m_slavePath; }

    // The simulated projector; its time is elapsedMs(). Advance it to
    // elapsedMs() before changing its state from outside.
    Projector &projector() { return m_projector; }
    qint64 elapsedMs() const { return m_clock.elapsed(); }
    // Bytes of the command line received so far, at most kMaxLineBytes.
    int pendingLineBytes() const { return m_line.size(); }

signals:
    // A complete command line came in; reply is what the projector
    // answered (written later, in pieces or not at all, per the options).
    void commandReceived(const QByteArray &command, const QByteArray &reply);
    // Bytes went into the pseudo-terminal.
    void dataWritten(const QByteArray &bytes);

private:
    struct Outgoing
    {
        qint64 dueMs;
        QByteArray bytes;
    };

    bool fail(const QString &message);
    void readMaster();
    void take(char byte);
    void endLine();
    void queueReply(const QByteArray &reply);
    void sendDue();
    void write(const QByteArray &bytes);
    void flush();
    static QByteArray noiseBytes();

    PtyOptions m_options;
    Projector m_projector;
    QElapsedTimer m_clock;
    QString m_error;
    QString m_slavePath;
    int m_master = -1;
    int m_slave = -1;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_line;
    bool m_lineTooLong = false;
    bool m_afterCr = false;
    std::deque<Outgoing> m_outbox;
    qint64 m_lastDueMs = 0;
    QTimer m_sendTimer;
    QByteArray m_output;
};

} // namespace qn62::sim
