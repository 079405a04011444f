#include "capture/interface_state.h"

#include <linux/if_addr.h>
#include <linux/if_arp.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

namespace halvera {
namespace {

constexpr std::size_t HEADER = sizeof(nlmsghdr);
constexpr std::size_t ATTRIBUTE_HEADER = sizeof(rtattr);

std::size_t Aligned(std::size_t size) {
    return (size + 3) & ~std::size_t{3};
}

// Calls visit(fixed part, attributes) for each message of type `wanted` in a batch; visit
// answers false for attributes it cannot read. Every length is checked against what is left
// before anything is read.
template <typename Fixed>
using MessageVisitor = std::function<bool(const Fixed&, std::span<const std::uint8_t>)>;

template <typename Fixed>
NetlinkBatch WalkMessages(std::span<const std::uint8_t> batch, std::uint16_t wanted,
                          const MessageVisitor<Fixed>& visit) {
    while (!batch.empty()) {
        if (batch.size() < HEADER) {
            return NetlinkBatch::Malformed;
        }
        nlmsghdr header;
        std::memcpy(&header, batch.data(), HEADER);
        if (header.nlmsg_len < HEADER || header.nlmsg_len > batch.size()) {
            return NetlinkBatch::Malformed;
        }
        const auto payload = batch.subspan(HEADER, header.nlmsg_len - HEADER);
        if (header.nlmsg_type == NLMSG_DONE) {
            return NetlinkBatch::Done;
        }
        if (header.nlmsg_type == NLMSG_ERROR) {
            std::int32_t error = -1;
            if (payload.size() < sizeof error) {
                return NetlinkBatch::Malformed;
            }
            std::memcpy(&error, payload.data(), sizeof error);
            // An acknowledgement (error 0) ends the answer as well.
            return error == 0 ? NetlinkBatch::Done : NetlinkBatch::Refused;
        }
        if (header.nlmsg_type == wanted) {
            Fixed fixed;
            if (payload.size() < NLMSG_ALIGN(sizeof fixed)) {
                return NetlinkBatch::Malformed;
            }
            std::memcpy(&fixed, payload.data(), sizeof fixed);
            if (!visit(fixed, payload.subspan(NLMSG_ALIGN(sizeof fixed)))) {
                return NetlinkBatch::Malformed;
            }
        }
        batch = batch.subspan(std::min(batch.size(), Aligned(header.nlmsg_len)));
    }
    return NetlinkBatch::More;
}

// Calls visit(type, value) for each attribute after the fixed part of a message.
bool WalkAttributes(
    std::span<const std::uint8_t> attributes,
    const std::function<void(std::uint16_t, std::span<const std::uint8_t>)>& visit) {
    while (!attributes.empty()) {
        if (attributes.size() < ATTRIBUTE_HEADER) {
            return false;
        }
        rtattr attribute;
        std::memcpy(&attribute, attributes.data(), ATTRIBUTE_HEADER);
        if (attribute.rta_len < ATTRIBUTE_HEADER || attribute.rta_len > attributes.size()) {
            return false;
        }
        visit(attribute.rta_type,
              attributes.subspan(ATTRIBUTE_HEADER, attribute.rta_len - ATTRIBUTE_HEADER));
        attributes = attributes.subspan(std::min(attributes.size(), Aligned(attribute.rta_len)));
    }
    return true;
}

// One request and its whole answer on a route socket of its own. Replies come from the
// kernel alone (port 0) and carry the request's number.
class RouteSocket {
  public:
    RouteSocket() {
        m_fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
        if (m_fd >= 0) {
            const timeval timeout{1, 0};
            setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        }
    }
    ~RouteSocket() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    RouteSocket(const RouteSocket&) = delete;
    RouteSocket& operator=(const RouteSocket&) = delete;

    // Sends a request of this type, flags and fixed part, and hands each batch of the answer
    // to read until it says Done.
    template <typename Fixed>
    bool Ask(std::uint16_t type, std::uint16_t flags, const Fixed& fixed,
             const std::function<NetlinkBatch(std::span<const std::uint8_t>)>& read) {
        if (m_fd < 0) {
            return false;
        }
        struct {
            nlmsghdr header;
            Fixed fixed;
        } request{};
        request.header.nlmsg_len = sizeof request;
        request.header.nlmsg_type = type;
        request.header.nlmsg_flags = flags;
        request.header.nlmsg_seq = ++m_sequence;
        request.fixed = fixed;
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        if (sendto(m_fd, &request, sizeof request, 0, reinterpret_cast<sockaddr*>(&kernel),
                   sizeof kernel) != static_cast<ssize_t>(sizeof request)) {
            return false;
        }
        for (;;) {
            sockaddr_nl from{};
            socklen_t fromSize = sizeof from;
            const ssize_t got = recvfrom(m_fd, m_buffer.data(), m_buffer.size(), MSG_TRUNC,
                                         reinterpret_cast<sockaddr*>(&from), &fromSize);
            if (got < 0 || static_cast<std::size_t>(got) > m_buffer.size()) {
                return false;
            }
            if (from.nl_pid != 0 || !FromThisRequest(static_cast<std::size_t>(got))) {
                continue;
            }
            switch (read(std::span(m_buffer.data(), static_cast<std::size_t>(got)))) {
                case NetlinkBatch::More:
                    continue;
                case NetlinkBatch::Done:
                    return true;
                default:
                    return false;
            }
        }
    }

  private:
    bool FromThisRequest(std::size_t size) const {
        nlmsghdr header;
        if (size < HEADER) {
            return false;
        }
        std::memcpy(&header, m_buffer.data(), HEADER);
        return header.nlmsg_seq == m_sequence;
    }

    int m_fd = -1;
    std::uint32_t m_sequence = 0;
    std::array<std::uint8_t, 32768> m_buffer{};
};

}  // namespace

NetlinkBatch ReadLinkReplies(std::span<const std::uint8_t> batch, int interfaceIndex,
                             InterfaceState& state, bool& found) {
    const MessageVisitor<ifinfomsg> visit = [&](const ifinfomsg& info,
                                                std::span<const std::uint8_t> attributes) {
        if (info.ifi_index != interfaceIndex) {
            return true;
        }
        bool hasMac = false;
        std::string name;
        const auto read = [&](std::uint16_t attribute, std::span<const std::uint8_t> value) {
            if (attribute == IFLA_IFNAME) {
                name.assign(value.begin(), std::find(value.begin(), value.end(), 0));
            } else if (attribute == IFLA_ADDRESS && value.size() == state.mac.size()) {
                std::copy(value.begin(), value.end(), state.mac.begin());
                hasMac = true;
            }
        };
        if (!WalkAttributes(attributes, read)) {
            return false;
        }
        state.name = name;
        found = hasMac && info.ifi_type == ARPHRD_ETHER && !name.empty();
        return true;
    };
    return WalkMessages(batch, RTM_NEWLINK, visit);
}

NetlinkBatch ReadAddressReplies(std::span<const std::uint8_t> batch, int interfaceIndex,
                                InterfaceState& state) {
    const MessageVisitor<ifaddrmsg> visit = [&](const ifaddrmsg& info,
                                                std::span<const std::uint8_t> attributes) {
        if (info.ifa_family != AF_INET || static_cast<int>(info.ifa_index) != interfaceIndex) {
            return true;
        }
        std::optional<Ipv4> local;
        std::optional<Ipv4> address;
        const auto read = [&](std::uint16_t attribute, std::span<const std::uint8_t> value) {
            Ipv4 ip = 0;
            if (value.size() != sizeof ip) {
                return;
            }
            std::memcpy(&ip, value.data(), sizeof ip);
            if (attribute == IFA_LOCAL) {
                local = ip;
            } else if (attribute == IFA_ADDRESS) {
                address = ip;
            }
        };
        if (!WalkAttributes(attributes, read)) {
            return false;
        }
        // On a point-to-point link IFA_ADDRESS is the peer's; IFA_LOCAL is always the own.
        if (local || address) {
            state.addresses.push_back(local ? *local : *address);
        }
        return true;
    };
    return WalkMessages(batch, RTM_NEWADDR, visit);
}

std::optional<InterfaceState> ReadInterfaceState(int interfaceIndex) {
    if (interfaceIndex <= 0) {
        return std::nullopt;
    }
    RouteSocket route;
    InterfaceState state;

    ifinfomsg link{};
    link.ifi_family = AF_UNSPEC;
    link.ifi_index = interfaceIndex;
    bool found = false;
    // A request for one interface is answered by one message, with no end marker.
    const auto readLink = [&](std::span<const std::uint8_t> batch) {
        const NetlinkBatch read = ReadLinkReplies(batch, interfaceIndex, state, found);
        return read == NetlinkBatch::More ? NetlinkBatch::Done : read;
    };
    if (!route.Ask(RTM_GETLINK, NLM_F_REQUEST, link, readLink) || !found) {
        return std::nullopt;
    }
    ifaddrmsg addresses{};
    addresses.ifa_family = AF_INET;
    addresses.ifa_index = static_cast<std::uint32_t>(interfaceIndex);
    const auto readAddresses = [&](std::span<const std::uint8_t> batch) {
        return ReadAddressReplies(batch, interfaceIndex, state);
    };
    if (!route.Ask(RTM_GETADDR, NLM_F_REQUEST | NLM_F_DUMP, addresses, readAddresses)) {
        return std::nullopt;
    }
    return state;
}

}  // namespace halvera
