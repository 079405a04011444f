#pragma once

#include <cstdint>
#include <string>

#include "base/ip_address.h"

namespace halvera {

// Field widths of a node record as the files keep them: texts at most these many bytes.
inline constexpr std::size_t NODE_NAME_MAX = 35;   // host, domain, vendor
inline constexpr std::size_t NODE_DATE_MAX = 19;   // updated, detected
inline constexpr std::size_t NODE_LABEL_MAX = 36;  // label

// Node status.
enum NodeStatus : std::int8_t { NODE_NEVER_SEEN = 0, NODE_UP = 1, NODE_DOWN = 2 };

// One node as stored and passed around. Texts are CP932. prevIp, prevMac, vendor and image
// are not kept in the files.
struct NodeRecord {
    Ipv4 ip = 0;
    Ipv4 prevIp = 0;
    MacAddress mac{};
    MacAddress prevMac{};
    std::string domain;
    std::string vendor;
    std::string host;
    std::int8_t image = 0;
    std::int8_t status = NODE_NEVER_SEEN;
    std::string updated;
    std::string detected;
    std::string label;
    std::uint32_t monitor = 0;
    std::uint32_t testBits = 0;
    std::int32_t spare = 0;

    bool operator==(const NodeRecord&) const = default;
};

}  // namespace halvera
