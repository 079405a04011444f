#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "base/ip_address.h"
#include "base/local_stamp.h"

namespace halvera {

// One cell of a listing: its text as the tab-separated form prints it (UTF-8) and its typed
// value for the JSON form. The text is what the lists have always shown, so the TSV form
// stays byte for byte as it was.
struct ListCell {
    std::string text;
    nlohmann::ordered_json value;
};

// A text, the same in both forms.
ListCell TextCell(std::string utf8);
// A number: decimal in the TSV form.
ListCell NumberCell(std::int64_t number);
// A switch printed as 1 or 0; a boolean in JSON.
ListCell FlagCell(bool set);
// A switch as a settings file holds it (0 off, anything else on), printed as stored.
ListCell SwitchCell(std::int32_t stored);
// A switch shown by a mark (the test bits' "●"); a boolean in JSON.
ListCell MarkCell(bool set, std::string markUtf8);
// A time as the lists show it ("2026/12/01 09:00:00", local time, UTF-8); ISO 8601 with the
// local zone's offset in JSON ("2026-12-01T09:00:00+09:00"), null when the text is no such
// time.
ListCell TimeCell(const LocalStamp& stamp);
// A node's MAC address as the lists show it ("02-48-4C-56-07-15"); "02:48:4c:56:07:15" in
// JSON; empty and null when not known (all zero).
ListCell MacCell(const MacAddress& mac);
// An event kind: its name in the TSV form, its number and name in JSON.
ListCell EventKindCell(int kind);

}  // namespace halvera
