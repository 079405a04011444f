#pragma once

#include <string>
#include <string_view>

#include "base/ip_address.h"
#include "net/host_resolver.h"

namespace halvera {

// What the single-node search dialog does with the entered text when OK is pressed.
struct NodeSearchCheck {
    enum Outcome {
        SEARCH_STAY_OPEN,  // the message is shown and the dialog stays open
        SEARCH_CANCEL,     // the dialog ends with Cancel and the message is shown
        SEARCH_OK,         // the dialog ends with OK and the address is searched
    };
    Outcome outcome = SEARCH_CANCEL;
    Ipv4 address = 0;
    std::string message;  // CP932, empty with SEARCH_OK
};

// Checks the text of the node search dialog in the dialog's order: empty text, name or
// address resolution, last byte 0 or 255, outside the subnet. text is CP932.
NodeSearchCheck CheckNodeSearchText(std::string_view text, HostResolver& resolver, Ipv4 ownIp,
                                    Ipv4 mask);

}  // namespace halvera
