#pragma once

#include <QByteArray>

#include <functional>

namespace qn62 {

// The bytes waiting to go out on a line that is slower than the panel, or
// that has stopped taking data for a while. Commands are queued whole or not
// at all, and the queue never holds more than Capacity bytes, counting what
// the layer below still holds; a full queue refuses instead of growing.
//
// The queue knows nothing of devices: it hands bytes to a writer, which
// returns how many it took (0: try again later, -1: the line failed).
class OutputQueue
{
public:
    static constexpr qint64 Capacity = 128 * 1024;

    using Writer = std::function<qint64(const char *data, qint64 size)>;
    using Backlog = std::function<qint64()>;

    explicit OutputQueue(Writer writer, Backlog below = {});

    // Bytes waiting here and below.
    qint64 pending() const;
    bool isEmpty() const { return pending() == 0; }

    // Queues the whole of bytes, or nothing when it does not fit.
    bool enqueue(const QByteArray &bytes);
    // Writes as much as the writer takes now. Returns false when the writer
    // failed; what was waiting then stays queued.
    bool drain();
    // Forgets everything not yet written.
    void clear();

private:
    Writer m_writer;
    Backlog m_below;
    QByteArray m_data;
    qint64 m_head = 0; // bytes of m_data already written
};

} // namespace qn62
