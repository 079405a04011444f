#include "net/range_walk.h"

#include <cstdint>

namespace halvera {
namespace {

std::array<int, 4> Octets(Ipv4 ip) {
    const std::uint32_t host = HostOrder(ip);
    return {static_cast<int>(host >> 24), static_cast<int>(host >> 16 & 0xFF),
            static_cast<int>(host >> 8 & 0xFF), static_cast<int>(host & 0xFF)};
}

}  // namespace

RangeWalk::RangeWalk(std::vector<NameQueryRange> ranges) : m_ranges(std::move(ranges)) {}

bool RangeWalk::Next(Ipv4& ip, int& lastByte) {
    while (m_range < m_ranges.size()) {
        const auto s = Octets(m_ranges[m_range].start);
        const auto e = Octets(m_ranges[m_range].end);
        bool found = false;
        if (!m_inRange) {
            found = s[0] <= e[0] && s[1] <= e[1] && s[2] <= e[2] && s[3] <= e[3];
            m_at = s;
        } else {
            // Counts up like an odometer whose wheels each run from their start to their end.
            for (int k = 3; k >= 0 && !found; --k) {
                if (++m_at[k] <= e[k]) {
                    found = true;
                } else {
                    m_at[k] = s[k];
                }
            }
        }
        if (found) {
            m_inRange = true;
            ip = MakeIp(m_at[0], m_at[1], m_at[2], m_at[3]);
            lastByte = m_at[3];
            return true;
        }
        m_inRange = false;
        ++m_range;
    }
    return false;
}

std::uint64_t RangeWalk::AddressCount(const std::vector<NameQueryRange>& ranges) {
    std::uint64_t count = 0;
    for (const NameQueryRange& range : ranges) {
        const auto s = Octets(range.start);
        const auto e = Octets(range.end);
        // Each wheel of the odometer runs from its start to its end on its own.
        std::uint64_t product = 1;
        for (int k = 0; k < 4; ++k) {
            product *= e[k] >= s[k] ? static_cast<std::uint64_t>(e[k] - s[k] + 1) : 0;
        }
        count += product;
    }
    return count;
}

}  // namespace halvera
