#include "net/node_identification.h"

#include <algorithm>

#include "base/text_codec.h"

namespace halvera {

namespace {

bool IsSeparatorOrControl(unsigned char c) {
    return c == ',' || c < 0x20 || c == 0x7F;
}

// Number of bytes of the CP932 character at the start of text, or 0 when its first byte
// starts none.
std::size_t Cp932CharacterWidth(std::string_view text) {
    auto c = static_cast<unsigned char>(text[0]);
    std::size_t width = IsCp932LeadByte(c) ? 2 : 1;
    if (width > text.size()) {
        return 0;
    }
    return Cp932ToUtf8(text.substr(0, width)).has_value() ? width : 0;
}

}  // namespace

bool IsOutsideSubnet(Ipv4 ip, Ipv4 ownIp, Ipv4 mask) {
    if (mask == 0) {
        return false;
    }
    return (ip & mask) != (ownIp & mask);
}

std::string SanitizeNetworkName(std::string_view name) {
    std::string safe;
    safe.reserve(name.size());
    std::size_t i = 0;
    while (i < name.size()) {
        auto c = static_cast<unsigned char>(name[i]);
        std::size_t width = IsSeparatorOrControl(c) ? 0 : Cp932CharacterWidth(name.substr(i));
        if (width == 0) {
            // Only the offending byte goes; what follows is judged on its own.
            safe += '_';
            ++i;
        } else {
            safe.append(name.substr(i, width));
            i += width;
        }
    }
    return safe;
}

std::string ResolveHostName(Ipv4 ip, HostResolver& resolver) {
    auto reverse = resolver.NameOfAddress(ip);
    if (!reverse || reverse->empty()) {
        return {};
    }
    // A reverse answer alone is whatever the address's owner put there; the forward
    // look-up must lead back to the address before the name is trusted.
    auto forward = resolver.AddressesOfName(*reverse);
    if (!forward || std::find(forward->addresses.begin(), forward->addresses.end(), ip) ==
                        forward->addresses.end()) {
        return {};
    }
    const std::string& name = forward->canonicalName.empty() ? *reverse : forward->canonicalName;
    return std::string(CutCp932(SanitizeNetworkName(name), NODE_NAME_MAX));
}

void FillNodeNames(NodeRecord& record, std::int32_t wins, NameBook& book, HostResolver& resolver) {
    FillNodeNames(record, wins, book,
                  [&resolver](Ipv4 ip) { return ResolveHostName(ip, resolver); });
}

void FillNodeNames(NodeRecord& record, std::int32_t wins, NameBook& book,
                   const std::function<std::string(Ipv4)>& resolve) {
    record.host.clear();
    record.domain.clear();
    book.LookupNames(record.ip, record.host, record.domain);
    if (!record.host.empty() || wins == 0) {
        return;
    }
    record.host = resolve(record.ip);
    if (!record.host.empty()) {
        book.PutNames(record.ip, record.host, record.domain);
    }
}

}  // namespace halvera
