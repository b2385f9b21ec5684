#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <vector>

namespace siteloom {

// The requests waiting to be sent, by host, and how many are under way: at most `jobs` in all and
// `perHost` to one host. Hosts take turns, so that one host with thousands of requests does not keep
// the others waiting. A request is a number (0, 1, 2, ...) the caller gives; the queue keeps two
// numbers per request and knows nothing else of it.
class HostQueue
{
public:
    explicit HostQueue(int jobs = 8, int perHost = 2) : m_jobs(jobs), m_perHost(perHost) {}

    void setLimits(int jobs, int perHost)
    {
        m_jobs = jobs;
        m_perHost = perHost;
    }
    // Forgets every host and request; the limits stay.
    void clear();

    // The host's number, given in the order hosts are first named.
    [[nodiscard]] int host(const QString& name);

    // Queues the request behind the others of its host.
    void push(int request, int host);
    // The next request the limits let go, now counted as under way; -1 when none may go now.
    [[nodiscard]] int take(int* host);
    // A request of this host is no longer under way.
    void done(int host);

    [[nodiscard]] int active() const { return m_active; }
    [[nodiscard]] int active(int host) const { return m_hosts[host].active; }
    [[nodiscard]] bool hasWaiting() const { return !m_turns.isEmpty(); }
    [[nodiscard]] bool hasWaiting(int host) const { return m_hosts[host].first >= 0; }

private:
    struct Host
    {
        int first = -1; // the first waiting request, its chain through m_next
        int last = -1;
        int active = 0;
    };

    int m_jobs;
    int m_perHost;
    QHash<QString, int> m_numbers;
    QList<Host> m_hosts;
    std::vector<int> m_next; // per request: the one after it in its host's queue, or -1
    QList<int> m_turns;      // the hosts with waiting requests, in the order they take turns
    qsizetype m_turn = 0;    // whose turn it is, in m_turns
    int m_active = 0;
};

} // namespace siteloom
