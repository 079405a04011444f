#pragma once

#include <string_view>

#include "store/node_record.h"

namespace halvera {

// Where the popup action of an event goes: the popup relay hands the message to the popup
// program. It expands the placeholders itself and reports its own failures to the error
// log, so the caller learns nothing back and the event's other actions run on.
class PopupPort {
  public:
    virtual ~PopupPort() = default;
    // kind: the event kind (the relay does not use it); popupText: CP932 with placeholders.
    // Returns when the message was handed over or given up.
    virtual void ShowPopupMessage(int kind, const NodeRecord& node, std::string_view popupText) = 0;
};

}  // namespace halvera
