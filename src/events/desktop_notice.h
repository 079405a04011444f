#pragma once

#include <string_view>

namespace halvera {

// The desktop's notification service, where the popup relay shows a message that it may not
// hand to a popup program.
class DesktopNotice {
  public:
    virtual ~DesktopNotice() = default;
    // utf8Text: the message as plain text. A critical message stays until the user dismisses
    // it, where the service allows. False when no service took it.
    virtual bool ShowNotice(std::string_view utf8Text, bool critical) = 0;
};

}  // namespace halvera
