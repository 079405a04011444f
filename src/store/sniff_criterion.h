#pragma once

#include <cstdint>

namespace halvera {

// The bits of PROMISS, the rule that makes a node a sniffing node: the fake destinations that
// must have been answered, or with PROMISS_ANY, any one of them.
inline constexpr std::int32_t PROMISS_B47 = 0x01;
inline constexpr std::int32_t PROMISS_B16 = 0x02;
inline constexpr std::int32_t PROMISS_B8 = 0x04;
// Offered beside the others but never sent, so it cannot be chosen; a stored bit is kept.
inline constexpr std::int32_t PROMISS_GR = 0x08;
inline constexpr std::int32_t PROMISS_ANY = 0x80;

// PROMISS after the sniffing settings were confirmed: "any fake packet" adds PROMISS_ANY to
// the previous value and keeps its test bits, so that choosing the tests again later shows
// them as they were; otherwise the value is the chosen test bits alone.
std::int32_t SniffCriterionAfter(std::int32_t previous, bool anyTest, std::int32_t testBits);

}  // namespace halvera
