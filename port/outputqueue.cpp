#include "outputqueue.h"

namespace qn62 {

OutputQueue::OutputQueue(Writer writer, Backlog below)
    : m_writer(std::move(writer))
    , m_below(std::move(below))
{
}

qint64 OutputQueue::pending() const
{
    return (m_data.size() - m_head) + (m_below ? m_below() : 0);
}

bool OutputQueue::enqueue(const QByteArray &bytes)
{
    if (bytes.size() > Capacity - pending())
        return false;
    m_data.append(bytes);
    return true;
}

bool OutputQueue::drain()
{
    while (m_head < m_data.size()) {
        const qint64 taken = m_writer(m_data.constData() + m_head, m_data.size() - m_head);
        if (taken < 0)
            return false;
        if (taken == 0)
            break;
        m_head += taken;
    }
    if (m_head == m_data.size()) {
        clear();
    } else if (m_head >= Capacity / 2) {
        // Drop the written part now and then rather than on every write.
        m_data.remove(0, m_head);
        m_head = 0;
    }
    return true;
}

void OutputQueue::clear()
{
    m_data.clear();
    m_head = 0;
}

} // namespace qn62
