#pragma once

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace halvera {

// A moment of the local wall clock as the node file and the lists write it
// ("2026/12/01 09:00:00"). It keeps the text it was read from, so a date that a user's
// editor or an older program left in another form is written back byte for byte.
class LocalStamp {
  public:
    LocalStamp() = default;

    // The moment, formatted as the lists write it.
    static LocalStamp Of(const std::tm& local);
    // A stored text: the moment when it is one in the lists' form, else the text alone.
    static LocalStamp Read(std::string_view text);

    const std::string& Text() const { return m_text; }
    bool Empty() const { return m_text.empty(); }
    // The moment, when the text is one (local time, no zone).
    std::optional<std::chrono::local_seconds> When() const { return m_when; }

    bool operator==(const LocalStamp&) const = default;

  private:
    std::string m_text;
    std::optional<std::chrono::local_seconds> m_when;
};

// The ISO 8601 form of a local moment with the offset of the local zone at that moment,
// summer time included ("2026-12-01T09:00:00+09:00"); nothing for a moment the zone skips.
std::optional<std::string> IsoLocalTime(std::chrono::local_seconds when);

}  // namespace halvera
