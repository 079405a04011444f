#pragma once

#include <cstdint>

namespace halvera {

// The MAP bits of the options dialog's node-list check boxes ("Gr", 0x10, among them) and
// the ELIST bits of its event-list check boxes.
inline constexpr std::int32_t NODE_LIST_MAP_BITS = 0xFFF;
inline constexpr std::int32_t EVENT_LIST_BITS = 0x7F;

}  // namespace halvera
