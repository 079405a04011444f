#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/ip_address.h"
#include "net/host_resolver.h"

namespace halvera {

// Looks up the host names of many nodes at once, a bounded number at a time, so that a
// resolver that never answers costs about one look-up time per block of nodes, not one per
// node. Each name is ResolveHostName's; Take hands it over once. The resolver must allow
// calls from several threads.
class HostNamePrefetch {
  public:
    HostNamePrefetch(HostResolver& resolver, int parallel);
    ~HostNamePrefetch();
    HostNamePrefetch(const HostNamePrefetch&) = delete;
    HostNamePrefetch& operator=(const HostNamePrefetch&) = delete;

    // Queues the look-ups of these addresses.
    void Start(const std::vector<Ipv4>& addresses);
    // The name looked up for the address (empty when none was found), waiting for its
    // look-up to end; nothing when the address was never queued or was taken already.
    std::optional<std::string> Take(Ipv4 ip);

  private:
    void Work();

    HostResolver& m_resolver;
    int m_parallel;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Ipv4> m_queue;
    std::map<Ipv4, std::optional<std::string>> m_names;  // nothing while still looked up
    std::vector<std::thread> m_workers;
    bool m_stopping = false;
};

}  // namespace halvera
