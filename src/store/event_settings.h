#pragma once

#include <cstdint>
#include <string>

namespace halvera {

// Width of the texts of an event settings record, in bytes.
inline constexpr std::size_t EVENT_TEXT_MAX = 128;
inline constexpr std::size_t EVENT_RESERVED_TEXT_MAX = 39;

// The actions configured for one event kind. Texts are CP932 and may hold placeholders.
struct EventSettings {
    std::int32_t enabled = 0;
    std::int32_t reserved = 0;  // always written as 0
    std::int32_t screen = 0;
    std::int32_t log = 0;
    std::string message;  // output message of the event list row and the log line
    std::string popupText;
    std::string filePath;  // external file with its parameters
    std::string mailText;
    std::string reservedText;  // always written empty
    std::int32_t beep = 0;
    std::string soundFile;

    bool operator==(const EventSettings&) const = default;
};

}  // namespace halvera
