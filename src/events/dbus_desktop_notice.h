#pragma once

#include <string_view>

#include "events/desktop_notice.h"

namespace halvera {

// org.freedesktop.Notifications on the session bus of DBUS_SESSION_BUS_ADDRESS, as the popup
// program's own notifier calls it: application and summary "Halvera", the program's icon,
// the urgency hint, the body escaped where the service reads markup. A private connection
// for each message, so any thread may call it; a service that is not running is never
// started for it, and a bus is never launched where the session has none.
class DbusDesktopNotice : public DesktopNotice {
  public:
    bool ShowNotice(std::string_view utf8Text, bool critical) override;
};

}  // namespace halvera
