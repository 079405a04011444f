#pragma once

#include "net/host_resolver.h"

namespace halvera {

// getnameinfo and getaddrinfo of the C library.
class SystemHostResolver : public HostResolver {
  public:
    std::optional<std::string> NameOfAddress(Ipv4 ip) override;
    std::optional<HostEntry> AddressesOfName(const std::string& name) override;
};

}  // namespace halvera
