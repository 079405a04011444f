#pragma once

#include <string>

namespace halvera {

// Event kinds. The same number indexes the event settings record, the event images of the
// lists and the event log's first field.
enum EventKind {
    EVENT_NEW_NODE = 0,
    EVENT_NODE_UP = 1,
    EVENT_NODE_DOWN = 2,
    EVENT_SNIFFING_NODE = 3,
    EVENT_IP_CHANGE = 4,
    EVENT_DEVICE_CHANGE = 5,
};

inline constexpr int EVENT_KIND_COUNT = 6;
// Kinds 0 to 3, which every settings file has always configured; kinds 4 and 5 stay off
// until a stored record enables them.
inline constexpr int EVENT_CONFIGURABLE_COUNT = 4;

// The kind's text in CP932 ("新規ノード検出" ...), empty for a number that is no kind.
std::string EventKindText(int kind);

}  // namespace halvera
