#pragma once

#include <map>
#include <optional>
#include <string>

#include "net/host_resolver.h"

namespace halvera::test {

// Names the test knows; dotted addresses resolve to themselves, as the system resolver
// does; anything else does not resolve. Nothing is looked up on the network.
class ScriptedResolver : public HostResolver {
  public:
    std::optional<std::string> NameOfAddress(Ipv4) override { return std::nullopt; }
    std::optional<HostEntry> AddressesOfName(const std::string& name) override {
        if (auto it = names.find(name); it != names.end()) {
            return HostEntry{name, {it->second}};
        }
        Ipv4 ip = InetAddr(name);
        if (ip == IP_NONE) {
            return std::nullopt;
        }
        return HostEntry{{}, {ip}};
    }

    std::map<std::string, Ipv4> names{{"pc01", MakeIp(192, 168, 0, 20)}};
};

}  // namespace halvera::test
