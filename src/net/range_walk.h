#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/ip_address.h"
#include "net/network_names.h"

namespace halvera {

// The addresses of the search ranges in the range search's order: range after range, and in
// each the four bytes counted on their own from start to end, the last byte innermost, so
// that 192.168.1.250 to 192.168.2.5 gives nothing (250 > 5). A copy walks on from where the
// original stands, which lets a run look ahead without losing its place.
class RangeWalk {
  public:
    explicit RangeWalk(std::vector<NameQueryRange> ranges);

    // The next address and its last byte; false after the last one.
    bool Next(Ipv4& ip, int& lastByte);

    // How many addresses a walk of these ranges gives in all, without walking them.
    static std::uint64_t AddressCount(const std::vector<NameQueryRange>& ranges);

  private:
    std::vector<NameQueryRange> m_ranges;
    std::size_t m_range = 0;
    bool m_inRange = false;
    std::array<int, 4> m_at{};
};

}  // namespace halvera
