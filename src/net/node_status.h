#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace halvera {

// NetBIOS name service port (RFC 1002) and the node status record type.
inline constexpr std::uint16_t NETBIOS_NAME_PORT = 137;
inline constexpr std::uint16_t NBSTAT_TYPE = 0x0021;

// What a node status reply says about the node: its computer name (the unique name with
// suffix 0x00) and its workgroup or domain (the group name with suffix 0x00), raw bytes
// without the padding; empty when the reply lists none.
struct NodeStatusReply {
    std::uint16_t transactionId = 0;
    std::string computer;
    std::string workgroup;

    bool operator==(const NodeStatusReply&) const = default;
};

// The node status query for the name "*" that every NetBIOS node answers.
std::vector<std::uint8_t> BuildNodeStatusQuery(std::uint16_t transactionId);

// Reads a node status reply. Every field is checked against the datagram's end; anything
// that is not a well-formed positive reply (wrong flags or type, a length that runs past the
// end, more names than the data holds) gives nothing.
std::optional<NodeStatusReply> ParseNodeStatusReply(std::span<const std::uint8_t> datagram);

}  // namespace halvera
