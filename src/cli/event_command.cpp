#include "cli/event_command.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "cli/cli_options.h"
#include "store/event_kind.h"
#include "store/sniff_criterion.h"

namespace halvera {
namespace {

constexpr std::string_view EVENT_NAME = "event";
constexpr std::string_view ACTION_RANGES_NAME = "action-ranges";
constexpr std::string_view SNIFF_NAME = "sniff";

// The fields of event set: the switches take 0 or 1, the others are texts.
constexpr std::string_view SWITCH_FIELDS[] = {"enabled", "screen", "log", "beep"};
constexpr std::string_view TEXT_FIELDS[] = {"message", "popup", "file", "mail", "sound"};

template <typename List>
bool Holds(const List& list, std::string_view name) {
    return std::find(std::begin(list), std::end(list), name) != std::end(list);
}

// START END, or NETWORK/BITS for the host addresses of a network. The order of the two ends
// is the caller's to check, as the range dialog checks it.
std::optional<IpRange> RangeArguments(const std::vector<std::string_view>& arguments) {
    if (arguments.size() == 1) {
        return ParseCidrRange(arguments[0]);
    }
    if (arguments.size() != 2) {
        return std::nullopt;
    }
    const auto start = ParseDottedAddress(arguments[0]);
    const auto end = ParseDottedAddress(arguments[1]);
    if (!start || !end) {
        return std::nullopt;
    }
    return IpRange{*start, *end};
}

std::string ParseEvent(const std::vector<std::string_view>& rest, EventCommand& command) {
    const std::string shape = "event needs nothing, or set KIND FIELD VALUE...";
    if (rest.empty()) {
        command.action = EventCommand::EVENTS_SHOW;
        return {};
    }
    if (rest[0] != "set" || rest.size() < 4 || rest.size() % 2 != 0) {
        return shape;
    }
    if (rest[1].size() != 1 || rest[1][0] < '0' || rest[1][0] >= '0' + EVENT_KIND_COUNT) {
        return "event set needs an event kind from 0 to " + std::to_string(EVENT_KIND_COUNT - 1) +
               ", not " + std::string(rest[1]);
    }
    command.action = EventCommand::EVENT_SET;
    command.kind = rest[1][0] - '0';
    for (std::size_t i = 2; i < rest.size(); i += 2) {
        const std::string_view field = rest[i];
        const std::string_view value = rest[i + 1];
        if (Holds(SWITCH_FIELDS, field)) {
            if (value != "0" && value != "1") {
                return std::string(field) + " cannot be " + std::string(value) + " (0 or 1)";
            }
        } else if (!Holds(TEXT_FIELDS, field)) {
            return "event set has no field " + std::string(field) +
                   " (enabled, screen, log, message, popup, file, mail, beep, sound)";
        }
        command.fields.emplace_back(field, value);
    }
    return {};
}

std::string ParseActionRanges(const std::vector<std::string_view>& rest, EventCommand& command) {
    const std::string shape =
        "action-ranges needs list, add START END, add NETWORK/BITS, delete START END, "
        "delete NETWORK/BITS, clear or allevent [0|1]";
    if (rest.empty()) {
        return shape;
    }
    const std::string_view verb = rest[0];
    const std::vector<std::string_view> arguments(rest.begin() + 1, rest.end());
    if (verb == "list" && arguments.empty()) {
        command.action = EventCommand::ACTION_RANGES_LIST;
    } else if (verb == "clear" && arguments.empty()) {
        command.action = EventCommand::ACTION_RANGES_CLEAR;
    } else if (verb == "allevent" && arguments.empty()) {
        command.action = EventCommand::ALLEVENT_SHOW;
    } else if (verb == "allevent" && arguments.size() == 1 &&
               (arguments[0] == "0" || arguments[0] == "1")) {
        command.action = EventCommand::ALLEVENT_SET;
        command.allNodes = arguments[0] == "1";
    } else if (verb == "add" || verb == "delete") {
        const auto range = RangeArguments(arguments);
        if (!range) {
            return "action-ranges " + std::string(verb) +
                   " needs two dotted IPv4 addresses or NETWORK/BITS";
        }
        command.action =
            verb == "add" ? EventCommand::ACTION_RANGES_ADD : EventCommand::ACTION_RANGES_DELETE;
        command.range = *range;
    } else {
        return shape;
    }
    return {};
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

std::string ParseSniff(const std::vector<std::string_view>& rest, EventCommand& command) {
    const std::string shape =
        "sniff needs nothing, or set any, set none or set TEST... (B47, B16, B8)";
    if (rest.empty()) {
        command.action = EventCommand::SNIFF_SHOW;
        return {};
    }
    if (rest[0] != "set" || rest.size() < 2) {
        return shape;
    }
    command.action = EventCommand::SNIFF_SET;
    if (rest.size() == 2 && (rest[1] == "any" || rest[1] == "none")) {
        command.anyTest = rest[1] == "any";
        return {};
    }
    struct Test {
        std::string_view name;
        std::int32_t bit;
    };
    constexpr Test TESTS[] = {{"B47", PROMISS_B47}, {"B16", PROMISS_B16}, {"B8", PROMISS_B8}};
    for (std::size_t i = 1; i < rest.size(); ++i) {
        const std::string name = Upper(rest[i]);
        const auto test = std::find_if(std::begin(TESTS), std::end(TESTS),
                                       [&name](const Test& t) { return t.name == name; });
        if (test == std::end(TESTS)) {
            return "sniff set has no test " + std::string(rest[i]) + " (B47, B16, B8)";
        }
        command.tests |= test->bit;
    }
    return {};
}

}  // namespace

std::string ParseEventCommand(std::string_view name, const std::vector<std::string_view>& rest,
                              EventCommand& command) {
    if (name == EVENT_NAME) {
        return ParseEvent(rest, command);
    }
    if (name == ACTION_RANGES_NAME) {
        return ParseActionRanges(rest, command);
    }
    return ParseSniff(rest, command);
}

}  // namespace halvera
