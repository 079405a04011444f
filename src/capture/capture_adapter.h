#pragma once

#include <string>
#include <string_view>

#include "base/ip_address.h"

namespace halvera {

// One Ethernet interface that can be opened for capture and probing. The capture driver
// and the host's adapter information are one list, so the MAC that goes into a frame and
// the interface the frame leaves by can never belong to different adapters.
struct CaptureAdapter {
    std::string name;         // interface name, as the capture driver opens it
    std::string description;  // may be empty
    Ipv4 address = 0;         // first IPv4 address of the interface
    Ipv4 mask = 0;            // its subnet mask
    MacAddress mac{};
    // The kernel's index of the interface when the list was read, which names it for good:
    // an interface removed and made again under the same name gets another. Not sent to the
    // front end, whose lists keep 0.
    int interfaceIndex = 0;

    bool operator==(const CaptureAdapter&) const = default;
};

// The adapter as the search settings list and store it in ADPNAME: "name (description)", or
// the name alone when there is no description. CP932.
std::string AdapterDisplayName(const CaptureAdapter& adapter);

// Pane 0 of the status bar: "ネットワークインターフェイス： " and ADPNAME, or the notice that none
// is chosen when ADPNAME is empty. CP932 in and out.
std::string NetworkInterfaceText(std::string_view adpnameCp932);

}  // namespace halvera
