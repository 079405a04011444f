#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/ip_address.h"
#include "store/node_record.h"

namespace halvera {

// The lines of the node files (NetDB.na, bNetDB.na) and of the name book (NameDB.na), built
// and parsed without touching a file. A stored line is the encoded text cut to a fixed length
// with LF as its last byte, so a record can be overwritten in place.

// Bytes per stored line, the LF included.
inline constexpr std::size_t NODE_LINE_SIZE = 198;
inline constexpr std::size_t NAME_LINE_SIZE = 53;

// The read buffer a line is decoded into: what it holds past the decoded text reads as NUL.
inline constexpr std::size_t LINE_BUFFER_SIZE = 200;

// The longest field the parsers copy out of a line.
inline constexpr std::size_t FIELD_MAX = 255;

// The node line before encoding: eleven fields, each followed by ",", padded with spaces or
// cut to 198 characters.
std::string FormatNodeLine(const NodeRecord& record);

// The name line before encoding: address, host name and domain (each cut to 35 bytes), each
// followed by ",", padded with spaces or cut to 53 characters.
std::string FormatNameLine(Ipv4 ip, std::string_view host, std::string_view domain);

// The stored form of a line: encoded, the first lineSize - 1 bytes kept (NUL-filled when
// the encoding came out shorter), then LF.
std::string StoreLine(std::string_view text, std::size_t lineSize);

// The read buffer of a stored line: its decoded text followed by NULs up to
// LINE_BUFFER_SIZE bytes.
std::string LoadLine(std::string_view stored);

// Copies the field at the start of the source into the destination, up to ",", LF or NUL.
// Returns the offset of the next field (bytes copied + 1), or 0 when no separator is met
// within the first destinationMax + 1 bytes or before the end of the source; the destination
// is then left empty.
std::size_t CopyField(std::string_view source, std::size_t destinationMax,
                      std::string& destination);

// A MAC address text: up to six groups of hexadecimal digits separated by "-", each at most
// 0xFF, an empty or missing group giving 0. Anything else is no MAC address.
std::optional<MacAddress> ParseMac(std::string_view text);

// Fills the record from a decoded node line. A field that is missing, too long for its
// width, or (for the MAC) not readable leaves the record's field as it was.
void ParseNodeLine(std::string_view line, NodeRecord& record);

// Field 1 of a decoded line as an address; nothing when it is no address, so such a line
// never matches a key (not even 255.255.255.255).
std::optional<Ipv4> LineAddress(std::string_view line);

// Field 2 of a decoded node line as a MAC address.
std::optional<MacAddress> LineMac(std::string_view line);

// Fields 2 and 3 of a decoded name line into the host and domain; a field longer than 35
// bytes leaves it and the following one as they were.
void ParseNameLine(std::string_view line, std::string& host, std::string& domain);

}  // namespace halvera
