#include "net/local_network_range.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace halvera {
namespace {

std::string Text(const IpRange& range) {
    return FormatIp(range.start) + " - " + FormatIp(range.end);
}

TEST(LocalNetworkRange, HostsOfTheSubnetForAnyMask) {
    struct Case {
        const char* address;
        const char* mask;
        const char* hosts;
    };
    const Case cases[] = {
        {"192.168.1.20", "255.255.255.0", "192.168.1.1 - 192.168.1.254"},
        {"10.1.2.3", "255.255.0.0", "10.1.0.1 - 10.1.255.254"},
        {"10.1.2.3", "255.0.0.0", "10.0.0.1 - 10.255.255.254"},
        // Masks that do not end on an octet cover their whole subnet, not its first /24.
        {"172.16.37.9", "255.255.240.0", "172.16.32.1 - 172.16.47.254"},
        {"198.18.7.200", "255.255.255.128", "198.18.7.129 - 198.18.7.254"},
        {"198.18.7.6", "255.255.255.252", "198.18.7.5 - 198.18.7.6"},
        // Point-to-point: both addresses are hosts; a host route is the one address.
        {"198.18.7.7", "255.255.255.254", "198.18.7.6 - 198.18.7.7"},
        {"198.18.7.7", "255.255.255.255", "198.18.7.7 - 198.18.7.7"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Text(LocalNetworkRange(InetAddr(c.address), InetAddr(c.mask))), c.hosts)
            << c.address << "/" << c.mask;
    }
}

TEST(LocalNetworkRange, CidrTextGivesTheHostsOfItsNetwork) {
    struct Case {
        const char* text;
        const char* hosts;  // nullptr: not a CIDR range
    };
    const Case cases[] = {
        {"198.18.7.0/24", "198.18.7.1 - 198.18.7.254"},
        {"198.18.7.77/24", "198.18.7.1 - 198.18.7.254"},
        {"172.16.0.0/20", "172.16.0.1 - 172.16.15.254"},
        {"198.18.7.9/32", "198.18.7.9 - 198.18.7.9"},
        {"198.18.7.0/33", nullptr},
        {"198.18.7.0/", nullptr},
        {"198.18.7.0/2x", nullptr},
        {"198.18.7/24", nullptr},
        {"198.18.7.0", nullptr},
    };
    for (const Case& c : cases) {
        const auto range = ParseCidrRange(c.text);
        if (c.hosts == nullptr) {
            EXPECT_FALSE(range) << c.text;
        } else {
            ASSERT_TRUE(range) << c.text;
            EXPECT_EQ(Text(*range), c.hosts) << c.text;
        }
    }
}

}  // namespace
}  // namespace halvera
