#include "net/system_host_resolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

namespace halvera {

std::optional<std::string> SystemHostResolver::NameOfAddress(Ipv4 ip) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ip;
    char name[NI_MAXHOST] = {};
    // NI_NAMEREQD: an address without a name is a failure, not its own dotted text.
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, name, sizeof name,
                    nullptr, 0, NI_NAMEREQD) != 0) {
        return std::nullopt;
    }
    return std::string(name);
}

std::optional<HostEntry> SystemHostResolver::AddressesOfName(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;  // one entry per address instead of one per socket type
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0) {
        return std::nullopt;
    }
    HostEntry entry;
    if (list->ai_canonname != nullptr) {
        entry.canonicalName = list->ai_canonname;
    }
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
            sockaddr_in address;
            std::memcpy(&address, a->ai_addr, sizeof address);
            entry.addresses.push_back(address.sin_addr.s_addr);
        }
    }
    freeaddrinfo(list);
    return entry;
}

}  // namespace halvera
