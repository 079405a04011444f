#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/ip_address.h"

namespace halvera {

// The units of the polling intervals in the order of the search settings' unit lists ("分",
// "時", "日"), as their number of seconds; NEWTIMEUNIT and LOOKTIMEUNIT hold one of them.
inline constexpr std::int32_t POLL_UNITS[] = {60, 3600, 86400};
inline constexpr int POLL_UNIT_COUNT = 3;

// Position of this unit in POLL_UNITS; -1 for any other number.
int PollUnitIndex(std::int32_t unitSeconds);

// A number as the search settings' number fields hold it: decimal digits only, blanks around
// them allowed, at most 4294967295. Nothing otherwise ("-1" and "" included).
std::optional<std::uint32_t> ReadSettingNumber(std::string_view text);

// The messages of the search settings' checks (CP932), empty when the text is accepted.
// A polling interval in its unit must be a number whose seconds fit the settings file.
std::string CheckPollInterval(std::string_view text, std::int32_t unitSeconds);
// A search range: the start not above the end (host order).
std::string CheckSearchRange(Ipv4 start, Ipv4 end);
// A search range as typed: two dotted addresses of four decimal parts, the start not above
// the end; the addresses go into start and end when accepted.
std::string CheckSearchRangeText(std::string_view startText, std::string_view endText, Ipv4& start,
                                 Ipv4& end);

}  // namespace halvera
