#include "net/run_name_queries.h"

#include <algorithm>

namespace halvera {

RunNameQueries::RunNameQueries(NameWalk walk, std::span<const NameQueryRange> ranges, Ipv4 ownIp,
                               Ipv4 mask)
    : m_walk(std::move(walk)), m_ownIp(ownIp), m_mask(mask) {
    for (const NameQueryRange& range : ranges) {
        if (HostOrder(range.start) <= HostOrder(range.end)) {
            m_spans.emplace_back(HostOrder(range.start), HostOrder(range.end));
        }
    }
    std::sort(m_spans.begin(), m_spans.end());
    std::vector<std::pair<std::uint32_t, std::uint32_t>> merged;
    for (const auto& span : m_spans) {
        if (!merged.empty() && span.first <= merged.back().second + 1ULL) {
            merged.back().second = std::max(merged.back().second, span.second);
        } else {
            merged.push_back(span);
        }
    }
    m_spans = std::move(merged);
}

RunNameQueries::~RunNameQueries() {
    Wait();
}

void RunNameQueries::Wait() {
    if (m_running.valid()) {
        m_running.get();
    }
}

bool RunNameQueries::InRanges(Ipv4 ip) const {
    const std::uint32_t host = HostOrder(ip);
    auto after =
        std::upper_bound(m_spans.begin(), m_spans.end(), host,
                         [](std::uint32_t value, const auto& span) { return value < span.first; });
    return after != m_spans.begin() && host <= std::prev(after)->second;
}

std::vector<NameQueryRange> RunNameQueries::TakeUnasked(std::span<const Ipv4> addresses) {
    std::vector<NameQueryRange> unasked;
    for (Ipv4 ip : addresses) {
        if (InRanges(ip) && m_asked.insert(ip).second) {
            unasked.push_back({ip, ip});
        }
    }
    return unasked;
}

void RunNameQueries::Query(std::span<const Ipv4> answered) {
    Wait();
    std::vector<NameQueryRange> unasked = TakeUnasked(answered);
    if (!unasked.empty()) {
        m_running = std::async(std::launch::async, [this, ranges = std::move(unasked)] {
            m_walk(ranges, m_ownIp, m_mask);
        });
    }
}

void RunNameQueries::Await(Ipv4 address, bool answered) {
    Wait();
    if (!answered) {
        return;
    }
    const Ipv4 one[] = {address};
    if (const std::vector<NameQueryRange> unasked = TakeUnasked(one); !unasked.empty()) {
        m_walk(unasked, m_ownIp, m_mask);
    }
}

}  // namespace halvera
