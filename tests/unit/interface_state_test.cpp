#include "capture/interface_state.h"

#include <gtest/gtest.h>
#include <linux/if_addr.h>
#include <linux/if_arp.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstring>
#include <string>
#include <vector>

namespace halvera {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int INDEX = 3;
const MacAddress MAC{0x02, 0x48, 0x4C, 0x56, 0x07, 0x0A};

template <typename T>
void Append(Bytes& bytes, const T& value) {
    const auto* start = reinterpret_cast<const std::uint8_t*>(&value);
    bytes.insert(bytes.end(), start, start + sizeof value);
}

void Pad(Bytes& bytes) {
    bytes.resize((bytes.size() + 3) & ~std::size_t{3}, 0);
}

Bytes Attribute(std::uint16_t type, const Bytes& value) {
    Bytes bytes;
    Append(bytes, rtattr{static_cast<unsigned short>(4 + value.size()), type});
    bytes.insert(bytes.end(), value.begin(), value.end());
    Pad(bytes);
    return bytes;
}

Bytes Text(const std::string& text) {
    return Bytes(text.c_str(), text.c_str() + text.size() + 1);
}

Bytes Address(const char* text) {
    const Ipv4 ip = InetAddr(text);
    Bytes bytes;
    Append(bytes, ip);
    return bytes;
}

// One netlink message: its header, the fixed part and the attributes; nlmsg_len as the
// kernel sets it unless `length` says otherwise.
template <typename Fixed>
Bytes Message(std::uint16_t type, const Fixed& fixed, const std::vector<Bytes>& attributes,
              std::optional<std::uint32_t> length = std::nullopt) {
    Bytes body;
    Append(body, fixed);
    Pad(body);
    for (const Bytes& attribute : attributes) {
        body.insert(body.end(), attribute.begin(), attribute.end());
    }
    nlmsghdr header{};
    header.nlmsg_len = length.value_or(static_cast<std::uint32_t>(sizeof header + body.size()));
    header.nlmsg_type = type;
    Bytes bytes;
    Append(bytes, header);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

Bytes Link(int index, unsigned short type, const std::vector<Bytes>& attributes) {
    ifinfomsg info{};
    info.ifi_index = index;
    info.ifi_type = type;
    return Message(RTM_NEWLINK, info, attributes);
}

Bytes Addr(int family, int index, const std::vector<Bytes>& attributes) {
    ifaddrmsg info{};
    info.ifa_family = static_cast<unsigned char>(family);
    info.ifa_index = static_cast<unsigned>(index);
    return Message(RTM_NEWADDR, info, attributes);
}

Bytes Error(int error) {
    nlmsgerr body{};
    body.error = error;
    nlmsghdr header{};
    header.nlmsg_len = sizeof header + sizeof body;
    header.nlmsg_type = NLMSG_ERROR;
    Bytes bytes;
    Append(bytes, header);
    Append(bytes, body);
    return bytes;
}

Bytes Done() {
    nlmsghdr header{};
    header.nlmsg_len = sizeof header + 4;
    header.nlmsg_type = NLMSG_DONE;
    Bytes bytes;
    Append(bytes, header);
    Append(bytes, std::int32_t{0});
    return bytes;
}

Bytes Joined(const std::vector<Bytes>& parts) {
    Bytes bytes;
    for (const Bytes& part : parts) {
        bytes.insert(bytes.end(), part.begin(), part.end());
    }
    return bytes;
}

const Bytes MAC_BYTES(MAC.begin(), MAC.end());

TEST(InterfaceState, ReadsTheLinkOfItsIndexOnlyWhenItIsEthernet) {
    Bytes cutAttribute = Link(INDEX, ARPHRD_ETHER, {Attribute(IFLA_IFNAME, Text("eth0"))});
    cutAttribute[sizeof(nlmsghdr) + sizeof(ifinfomsg)] = 0xFF;  // rta_len past the message
    Bytes shortAttribute = Link(INDEX, ARPHRD_ETHER, {Attribute(IFLA_IFNAME, Text("eth0"))});
    shortAttribute[sizeof(nlmsghdr) + sizeof(ifinfomsg)] = 2;  // shorter than its own header
    const Bytes whole =
        Link(INDEX, ARPHRD_ETHER,
             {Attribute(IFLA_IFNAME, Text("eth0")), Attribute(IFLA_ADDRESS, MAC_BYTES)});
    struct Case {
        const char* name;
        Bytes batch;
        NetlinkBatch read;
        bool found;
    };
    const Case cases[] = {
        {"the interface", whole, NetlinkBatch::More, true},
        {"another index",
         Link(INDEX + 1, ARPHRD_ETHER,
              {Attribute(IFLA_IFNAME, Text("eth1")), Attribute(IFLA_ADDRESS, MAC_BYTES)}),
         NetlinkBatch::More, false},
        {"no Ethernet",
         Link(INDEX, ARPHRD_LOOPBACK,
              {Attribute(IFLA_IFNAME, Text("lo")), Attribute(IFLA_ADDRESS, MAC_BYTES)}),
         NetlinkBatch::More, false},
        {"a hardware address of another length",
         Link(INDEX, ARPHRD_ETHER,
              {Attribute(IFLA_IFNAME, Text("ib0")), Attribute(IFLA_ADDRESS, Bytes(20, 0x11))}),
         NetlinkBatch::More, false},
        {"no such interface", Error(-19), NetlinkBatch::Refused, false},
        {"a message longer than the batch", Bytes(whole.begin(), whole.end() - 4),
         NetlinkBatch::Malformed, false},
        {"a header cut short", Bytes(whole.begin(), whole.begin() + 10), NetlinkBatch::Malformed,
         false},
        {"a fixed part cut short", Message(RTM_NEWLINK, std::uint32_t{0}, {}),
         NetlinkBatch::Malformed, false},
        {"an attribute past its message", cutAttribute, NetlinkBatch::Malformed, false},
        {"an attribute shorter than its header", shortAttribute, NetlinkBatch::Malformed, false},
        {"an error cut short", Message(NLMSG_ERROR, std::uint16_t{0}, {}, sizeof(nlmsghdr) + 2),
         NetlinkBatch::Malformed, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InterfaceState state;
        bool found = false;
        EXPECT_EQ(ReadLinkReplies(c.batch, INDEX, state, found), c.read);
        EXPECT_EQ(found, c.found);
        if (c.found) {
            EXPECT_EQ(state.name, "eth0");
            EXPECT_EQ(state.mac, MAC);
        }
    }
}

TEST(InterfaceState, GathersTheOwnIpv4AddressesOfItsIndex) {
    const Bytes batch = Joined({
        Addr(AF_INET, INDEX,
             {Attribute(IFA_ADDRESS, Address("198.18.7.10")),
              Attribute(IFA_LOCAL, Address("198.18.7.10"))}),
        Addr(AF_INET, INDEX + 1, {Attribute(IFA_LOCAL, Address("198.18.8.10"))}),
        Addr(AF_INET6, INDEX, {Attribute(IFA_ADDRESS, Bytes(16, 0xFE))}),
        // A point-to-point address: IFA_ADDRESS is the peer's.
        Addr(AF_INET, INDEX,
             {Attribute(IFA_ADDRESS, Address("198.18.9.1")),
              Attribute(IFA_LOCAL, Address("198.18.9.2"))}),
        Addr(AF_INET, INDEX, {Attribute(IFA_ADDRESS, Address("198.18.7.12"))}),
        Addr(AF_INET, INDEX, {Attribute(IFA_LOCAL, Bytes{1, 2})}),
    });
    InterfaceState state;
    EXPECT_EQ(ReadAddressReplies(batch, INDEX, state), NetlinkBatch::More);
    EXPECT_EQ(state.addresses, (std::vector<Ipv4>{InetAddr("198.18.7.10"), InetAddr("198.18.9.2"),
                                                  InetAddr("198.18.7.12")}));

    InterfaceState ended;
    EXPECT_EQ(ReadAddressReplies(Joined({batch, Done(), batch}), INDEX, ended), NetlinkBatch::Done);
    EXPECT_EQ(ended.addresses, state.addresses);

    for (std::size_t cut = 1; cut < batch.size(); ++cut) {
        InterfaceState partial;
        const NetlinkBatch read = ReadAddressReplies(std::span(batch).first(cut), INDEX, partial);
        EXPECT_TRUE(read == NetlinkBatch::Malformed || read == NetlinkBatch::More) << cut;
        EXPECT_LE(partial.addresses.size(), state.addresses.size()) << cut;
    }
}

}  // namespace
}  // namespace halvera
