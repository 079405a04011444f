#pragma once

#include <string>

#include "base/ip_address.h"
#include "capture/packet_driver.h"
#include "lists/error_log.h"

namespace halvera {

// Who this host is on the monitored segment. Every ARP request carries it; all zero until
// the first successful ReadLocalAdapter.
struct LocalAdapterInfo {
    Ipv4 ownAddress = 0;
    Ipv4 subnetMask = 0;
    MacAddress ownMac{};

    bool operator==(const LocalAdapterInfo&) const = default;
};

// Proves that raw frames may be sent; on refusal writes one line under "netmond" that says
// why ("Create Socket Error", "Create Setsockopt Error", or what kept the capture helper
// away) and answers false. rights, when given, receives the outcome.
bool CheckRawSocket(PacketDriver& driver, ErrorLog& errorLog, RawSocketCheck* rights = nullptr);

// What a user without the raw-frame rights is told, naming the fix (CP932).
std::string RawRightsAdvice(RawSocketCheck check);

// Fills info from the adapter at position adpnum (ADPNUM) of the driver's list: its IPv4
// address, mask and MAC, so the frames name the interface they leave by. Returns 0, or 1
// with info left as it was. Failures of the rights check and of the adapter list are
// logged under "netmond"; an adpnum that names no adapter is not. rights, when given,
// receives the outcome of the rights check.
int ReadLocalAdapter(PacketDriver& driver, int adpnum, ErrorLog& errorLog, LocalAdapterInfo& info,
                     RawSocketCheck* rights = nullptr);

}  // namespace halvera
