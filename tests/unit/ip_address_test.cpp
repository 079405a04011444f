#include "base/ip_address.h"

#include <gtest/gtest.h>

namespace halvera {
namespace {

TEST(IpAddress, TextFormsAndOrder) {
    Ipv4 ip = MakeIp(192, 168, 0, 5);
    EXPECT_EQ(FormatIp(ip), "192.168.0.5");
    EXPECT_EQ(InetAddr("192.168.0.5"), ip);
    EXPECT_EQ(InetAddr("192.168.0.x"), IP_NONE);
    EXPECT_EQ(InetAddr(""), IP_NONE);
    EXPECT_EQ(HostOrder(ip), 0xC0A80005u);
    EXPECT_EQ(NetworkOrder(0xC0A80005u), ip);
    EXPECT_LT(HostOrder(MakeIp(192, 168, 0, 9)), HostOrder(MakeIp(192, 168, 0, 10)));
    EXPECT_EQ(FormatMac({0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E}), "00-0A-1B-2C-3D-4E");
    EXPECT_TRUE(IsZeroMac({}));
    EXPECT_FALSE(IsZeroMac({0, 0, 0, 0, 0, 1}));
}

}  // namespace
}  // namespace halvera
