#include "outputqueue.h"

namespace qn62 {

OutputQueue::OutputQueue(Writer writer, Backlog below)
    : m_writer(std::move(writer))
    , m_below(std::move(below))
{
}

qint64 OutputQueue::pending() const
{
    return (m_data.size() - m_head) + below();
}

bool OutputQueue::enqueue(const QByteArray &command)
{
    if (command.size() > Capacity - pending())
        return false;
    m_data.append(command);
    m_queued += command.size();
    m_commands.push_back({m_queued, command});
    return true;
}

bool OutputQueue::drain()
{
    while (m_head < m_data.size()) {
        // A copy of its own (or a share of the whole buffer, which the next
        // change here detaches from): the writer may keep it.
        const QByteArray piece = m_data.mid(m_head, PieceSize);
        const qint64 taken = m_writer(piece);
        if (taken < 0)
            return false;
        if (taken == 0)
            break;
        m_head += taken;
        m_written += taken;
    }
    if (m_head == m_data.size()) {
        m_data.clear();
        m_head = 0;
    } else if (m_head >= Capacity / 2) {
        // Drop the written part now and then rather than on every write.
        m_data.remove(0, m_head);
        m_head = 0;
    }
    // Commands wholly past the layer below are on the line.
    const qint64 left = onLine();
    while (!m_commands.empty() && m_commands.front().end <= left) {
        m_settled = m_commands.front().end;
        m_commands.pop_front();
    }
    return true;
}

OutputQueue::Waiting OutputQueue::newestWaiting() const
{
    const qint64 left = onLine();
    if (m_commands.empty() || m_commands.back().end <= left)
        return {};
    const qint64 end = m_commands.back().end;
    const qint64 start = end - m_commands.back().command.size();
    return {end - qMax(left, start), qMax<qint64>(0, start - left)};
}

OutputQueue::Dropped OutputQueue::clear()
{
    Dropped dropped;
    const qint64 left = onLine();
    qint64 start = m_settled; // of the command at hand
    for (const Queued &q : m_commands) {
        if (q.end > left && dropped.commands++ == 0) {
            dropped.first = q.command;
            dropped.cut = qMax<qint64>(0, left - start);
        }
        start = q.end;
    }
    if (dropped.commands > 0) {
        dropped.bytes = m_queued - left;
        dropped.last = m_commands.back().command;
    }
    m_data.clear();
    m_head = m_queued = m_written = m_settled = 0;
    m_commands.clear();
    return dropped;
}

} // namespace qn62
