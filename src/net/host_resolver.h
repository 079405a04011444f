#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/ip_address.h"

namespace halvera {

// What a forward look-up of a host name gives.
struct HostEntry {
    std::string canonicalName;    // empty when the resolver gives none
    std::vector<Ipv4> addresses;  // IPv4 only
};

// The host's name resolution (hosts file, DNS, whatever the system is set up with), behind
// a port so that tests can script answers and count look-ups.
class HostResolver {
  public:
    virtual ~HostResolver() = default;
    // The name registered for the address (reverse look-up); nothing when none is.
    virtual std::optional<std::string> NameOfAddress(Ipv4 ip) = 0;
    // The addresses of a name (forward look-up); nothing when it does not resolve.
    virtual std::optional<HostEntry> AddressesOfName(const std::string& name) = 0;
};

}  // namespace halvera
