#include "net/range_walk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "base/ip_address.h"

namespace halvera {
namespace {

TEST(RangeWalk, AddressCountIsWhatTheWalkGives) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, const char*>> ranges;
        std::uint64_t count;
    };
    const Case cases[] = {
        {"none", {}, 0},
        {"one address", {{"10.0.0.1", "10.0.0.1"}}, 1},
        {"a /24 with its ends", {{"198.18.7.0", "198.18.7.255"}}, 256},
        {"each byte on its own: 250 > 5 walks nothing", {{"192.168.1.250", "192.168.2.5"}}, 0},
        {"two third bytes of six last bytes", {{"192.168.1.10", "192.168.2.15"}}, 12},
        {"ranges add up, overlaps twice", {{"10.0.0.1", "10.0.0.4"}, {"10.0.0.3", "10.0.0.5"}}, 7},
        {"a /16", {{"172.16.0.0", "172.16.255.255"}}, 65536},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<NameQueryRange> ranges;
        for (const auto& [start, end] : c.ranges) {
            ranges.push_back({InetAddr(start), InetAddr(end)});
        }
        RangeWalk walk(ranges);
        std::uint64_t walked = 0;
        Ipv4 ip = 0;
        int lastByte = 0;
        while (walk.Next(ip, lastByte)) {
            ++walked;
        }
        EXPECT_EQ(walked, c.count);
        EXPECT_EQ(RangeWalk::AddressCount(ranges), c.count);
    }
}

}  // namespace
}  // namespace halvera
