#pragma once

#include <string_view>

#include "store/node_record.h"

namespace halvera {

// Where the popup action of an event goes: the popup relay hands the message to the popup
// program. It reports its own failures to the error log, so the caller learns nothing back
// and the event's other actions run on.
class PopupPort {
  public:
    virtual ~PopupPort() = default;
    // kind: the event kind (the relay marks the sniffing-node message critical) and node:
    // the node of the event (unused by the relay);
    // messageCp932: the popup text with its placeholders already expanded for the node.
    // Returns when the message was handed over or given up.
    virtual void ShowPopupMessage(int kind, const NodeRecord& node,
                                  std::string_view messageCp932) = 0;
};

}  // namespace halvera
