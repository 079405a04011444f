#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "store/node_record.h"

namespace halvera {

// Out sizes of the callers that expand a message.
inline constexpr std::size_t MESSAGE_OUT_SIZE = 1024;
inline constexpr std::size_t POPUP_OUT_SIZE = 2048;

// Expands %LABEL, %IP, %MAC, %HOST, %VEN, %DATE and %TIME (upper case only, whatever follows
// the name) for the node into CP932 text that fits a buffer of outSize bytes: at most
// outSize - 1 bytes. A replacement that does not fit ends the whole expansion there. %VEN
// is the vendor of the node's MAC prefix, or the MAC text when the table names none;
// %DATE and %TIME are the current local date and time.
std::string ExpandPlaceholders(const NodeRecord& node, std::string_view text, std::size_t outSize);

}  // namespace halvera
