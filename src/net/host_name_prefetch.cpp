#include "net/host_name_prefetch.h"

#include <algorithm>

#include "net/node_identification.h"

namespace halvera {

HostNamePrefetch::HostNamePrefetch(HostResolver& resolver, int parallel)
    : m_resolver(resolver), m_parallel(std::max(parallel, 1)) {}

HostNamePrefetch::~HostNamePrefetch() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_changed.notify_all();
    // A look-up under way cannot be called off; its thread ends when it returns.
    for (std::thread& worker : m_workers) {
        worker.join();
    }
}

void HostNamePrefetch::Start(const std::vector<Ipv4>& addresses) {
    {
        std::lock_guard lock(m_mutex);
        for (Ipv4 ip : addresses) {
            if (m_names.emplace(ip, std::nullopt).second) {
                m_queue.push_back(ip);
            }
        }
        const std::size_t wanted = std::min<std::size_t>(m_parallel, m_queue.size());
        while (m_workers.size() < wanted) {
            m_workers.emplace_back([this] { Work(); });
        }
    }
    m_changed.notify_all();
}

std::optional<std::string> HostNamePrefetch::Take(Ipv4 ip) {
    std::unique_lock lock(m_mutex);
    auto found = m_names.find(ip);
    if (found == m_names.end()) {
        return std::nullopt;
    }
    m_changed.wait(lock, [&] { return found->second.has_value(); });
    std::optional<std::string> name = std::move(found->second);
    m_names.erase(found);
    return name;
}

void HostNamePrefetch::Work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping) {
            return;
        }
        const Ipv4 ip = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        std::string name = ResolveHostName(ip, m_resolver);
        lock.lock();
        if (auto found = m_names.find(ip); found != m_names.end()) {
            found->second = std::move(name);
        }
        m_changed.notify_all();
    }
}

}  // namespace halvera
