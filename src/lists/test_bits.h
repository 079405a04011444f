#pragma once

#include <cstdint>

namespace halvera {

// Which fake destinations a node answered, one bit per kind (the "B47", "B16" and "B8"
// columns; the group bit is offered in the settings but never probed).
using TestBits = std::uint32_t;
inline constexpr TestBits TEST_B47 = 1;
inline constexpr TestBits TEST_B16 = 2;
inline constexpr TestBits TEST_B8 = 4;
inline constexpr TestBits TEST_GR = 8;

}  // namespace halvera
