#pragma once

#include <QByteArray>

#include <deque>
#include <functional>

namespace qn62 {

// The bytes waiting to go out on a line that is slower than the panel, or
// that has stopped taking data for a while. Commands are queued whole or not
// at all, and the queue never holds more than Capacity bytes, counting what
// the layer below still holds; a full queue refuses instead of growing.
//
// The queue knows nothing of devices: it hands bytes to a writer, which
// returns how many it took (0: try again later, -1: the line failed). Each
// piece handed over is a byte array of its own, so a writer that keeps it
// (a socket's buffer) never reads memory the queue has since freed or moved.
//
// The queue remembers where each command ends until the layer below has let
// it go, so that what a close throws away can be told in commands.
class OutputQueue
{
public:
    static constexpr qint64 Capacity = 128 * 1024;
    // The most handed to the writer in one piece.
    static constexpr qint64 PieceSize = 16 * 1024;

    using Writer = std::function<qint64(const QByteArray &piece)>;
    // Bytes the writer took that have not left yet (held by the transport,
    // its driver or its socket).
    using Backlog = std::function<qint64()>;

    // What clear() threw away: commands that had not wholly left, their
    // bytes not yet on the line, and the newest of them; and the oldest of
    // them with how many of its bytes had left when it was cut off part way
    // (the far end holds that much of it), 0 when none had.
    struct Dropped
    {
        int commands = 0;
        qint64 bytes = 0;
        QByteArray last;
        QByteArray first;
        qint64 cut = 0;
    };

    explicit OutputQueue(Writer writer, Backlog below = {});

    // Bytes waiting here and below.
    qint64 pending() const;
    bool isEmpty() const { return pending() == 0; }

    // Queues the whole of command, or nothing when it does not fit.
    bool enqueue(const QByteArray &command);
    // Writes as much as the writer takes now. Returns false when the writer
    // failed; what was waiting then stays queued.
    bool drain();
    // Forgets everything not yet on the line, here and below (the caller
    // throws away what is below), and says what that was.
    Dropped clear();

    // The newest command while it has not wholly left: its bytes not yet on
    // the line, and the bytes of earlier commands still ahead of it.
    struct Waiting
    {
        qint64 own = 0;
        qint64 ahead = 0;
    };
    Waiting newestWaiting() const;

private:
    qint64 below() const { return m_below ? m_below() : 0; }
    // Bytes queued since the last clear() that are on the line: taken by
    // the writer and no longer held below (which may hold bytes of its own
    // too, Telnet's, counted as ours).
    qint64 onLine() const { return qMax<qint64>(0, m_written - below()); }

    Writer m_writer;
    Backlog m_below;
    QByteArray m_data;
    qint64 m_head = 0;      // bytes of m_data already written
    qint64 m_queued = 0;    // bytes queued since the last clear()
    qint64 m_written = 0;   // of those, bytes the writer took
    struct Queued
    {
        qint64 end; // where it ends, in m_queued's count
        QByteArray command;
    };
    std::deque<Queued> m_commands; // those not known to have left
    qint64 m_settled = 0;   // where the last command known to have left ends
};

} // namespace qn62
