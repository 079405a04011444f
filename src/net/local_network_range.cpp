#include "net/local_network_range.h"

#include <arpa/inet.h>

#include <charconv>
#include <string>

namespace halvera {

IpRange LocalNetworkRange(Ipv4 address, Ipv4 mask) {
    const std::uint32_t hostMask = HostOrder(mask);
    const std::uint32_t network = HostOrder(address) & hostMask;
    const std::uint32_t broadcast = network | ~hostMask;
    if (broadcast - network < 2) {
        return {NetworkOrder(network), NetworkOrder(broadcast)};
    }
    return {NetworkOrder(network + 1), NetworkOrder(broadcast - 1)};
}

std::optional<IpRange> ParseCidrRange(std::string_view text) {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string address(text.substr(0, slash));
    const std::string_view prefixText = text.substr(slash + 1);
    in_addr parsed{};
    int prefix = -1;
    const auto [end, error] =
        std::from_chars(prefixText.data(), prefixText.data() + prefixText.size(), prefix);
    if (inet_pton(AF_INET, address.c_str(), &parsed) != 1 || error != std::errc() ||
        end != prefixText.data() + prefixText.size() || prefixText.empty() || prefix < 0 ||
        prefix > 32) {
        return std::nullopt;
    }
    const std::uint32_t hostMask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
    return LocalNetworkRange(parsed.s_addr, NetworkOrder(hostMask));
}

}  // namespace halvera
