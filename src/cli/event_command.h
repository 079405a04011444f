#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/local_network_range.h"

namespace halvera {

// A command of halvera-cli on what the event settings dialogs change: the event kinds'
// records ("event"), the action node ranges with ALLEVENT ("action-ranges") and the sniffing
// criterion PROMISS ("sniff"), checked for its shape.
struct EventCommand {
    enum Action {
        EVENTS_SHOW,
        EVENT_SET,
        ACTION_RANGES_LIST,
        ACTION_RANGES_ADD,
        ACTION_RANGES_DELETE,
        ACTION_RANGES_CLEAR,
        ALLEVENT_SHOW,
        ALLEVENT_SET,
        SNIFF_SHOW,
        SNIFF_SET,
    };

    Action action = EVENTS_SHOW;
    int kind = 0;  // event set: the kind, 0 to EVENT_KIND_COUNT - 1
    // event set: the fields of the record with their values as given (texts in UTF-8).
    std::vector<std::pair<std::string, std::string>> fields;
    IpRange range;           // action-ranges add and delete
    bool allNodes = true;    // action-ranges allevent 0|1
    bool anyTest = false;    // sniff set any
    std::int32_t tests = 0;  // sniff set: the PROMISS bits of the tests named
};

// Reads the arguments after the command name into the command. The reason the command line
// is bad usage, or empty when it is good.
std::string ParseEventCommand(std::string_view name, const std::vector<std::string_view>& rest,
                              EventCommand& command);

}  // namespace halvera
