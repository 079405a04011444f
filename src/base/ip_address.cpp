#include "base/ip_address.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>

namespace halvera {

std::string FormatIp(Ipv4 ip) {
    unsigned char b[4];
    std::memcpy(b, &ip, 4);
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    return text;
}

Ipv4 InetAddr(std::string_view text) {
    std::string terminated(text);
    return inet_addr(terminated.c_str());
}

std::uint32_t HostOrder(Ipv4 ip) {
    return ntohl(ip);
}

Ipv4 NetworkOrder(std::uint32_t hostOrder) {
    return htonl(hostOrder);
}

Ipv4 MakeIp(int a, int b, int c, int d) {
    const unsigned char bytes[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                                    static_cast<unsigned char>(c), static_cast<unsigned char>(d)};
    Ipv4 ip;
    std::memcpy(&ip, bytes, 4);
    return ip;
}

std::string FormatMac(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

bool IsZeroMac(const MacAddress& mac) {
    for (auto b : mac) {
        if (b != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace halvera
