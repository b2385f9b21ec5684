#include "checker/hostqueue.h"

namespace siteloom {

void HostQueue::clear()
{
    m_numbers.clear();
    m_hosts.clear();
    m_next = {};
    m_turns.clear();
    m_turn = 0;
    m_active = 0;
}

int HostQueue::host(const QString& name)
{
    auto found = m_numbers.constFind(name);
    if (found == m_numbers.cend()) {
        found = m_numbers.insert(name, int(m_hosts.size()));
        m_hosts.append(Host());
    }
    return *found;
}

void HostQueue::push(int request, int host)
{
    if (size_t(request) >= m_next.size())
        m_next.resize(std::max(size_t(request) + 1, 2 * m_next.size()), -1);
    m_next[size_t(request)] = -1;
    Host& queue = m_hosts[host];
    if (queue.first < 0) {
        m_turns.append(host);
        queue.first = request;
    } else {
        m_next[size_t(queue.last)] = request;
    }
    queue.last = request;
}

int HostQueue::take(int* host)
{
    if (m_active >= m_jobs)
        return -1;
    // Hosts at their own limit are passed over; at most `jobs` hosts can be, so the search is short.
    for (qsizetype tried = 0; tried < m_turns.size(); ++tried) {
        if (m_turn >= m_turns.size())
            m_turn = 0;
        const int candidate = m_turns[m_turn];
        Host& queue = m_hosts[candidate];
        if (queue.active >= m_perHost) {
            ++m_turn;
            continue;
        }
        const int request = queue.first;
        queue.first = m_next[size_t(request)];
        if (queue.first < 0)
            m_turns.removeAt(m_turn); // the next host's turn is now at m_turn
        else
            ++m_turn;
        ++queue.active;
        ++m_active;
        *host = candidate;
        return request;
    }
    return -1;
}

void HostQueue::done(int host)
{
    --m_hosts[host].active;
    --m_active;
}

} // namespace siteloom
