#pragma once

#include <string_view>

namespace halvera {

// Error log tag of the packet and network layer.
inline constexpr std::string_view NETMON_TAG = "netmond";

}  // namespace halvera
