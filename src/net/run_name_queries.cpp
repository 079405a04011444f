#include "net/run_name_queries.h"

#include <algorithm>

namespace halvera {

RunNameQueries::RunNameQueries(NameWalk walk, std::span<const NameQueryRange> ranges, Ipv4 ownIp,
                               Ipv4 mask)
    : m_walk(std::move(walk)), m_ownIp(ownIp), m_mask(mask), m_spans(MergedHostSpans(ranges)) {}

RunNameQueries::~RunNameQueries() {
    Wait();
}

void RunNameQueries::Wait() {
    if (m_running.valid()) {
        m_running.get();
    }
}

bool RunNameQueries::InRanges(Ipv4 ip) const {
    const std::uint64_t host = HostOrder(ip);
    auto after = std::upper_bound(
        m_spans.begin(), m_spans.end(), host,
        [](std::uint64_t value, const HostSpan& span) { return value < span.first; });
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
