#pragma once

#include <cctype>
#include <string>

#include "base/ip_address.h"

namespace halvera::test {

// The MAC of a lab host as scripts/lab shows it ("02:48:4c:56:07:15"); all zero for "-".
inline MacAddress LabMac(const std::string& text) {
    MacAddress mac{};
    for (std::size_t i = 0; i < mac.size() && i * 3 + 2 <= text.size(); ++i) {
        mac[i] = static_cast<std::uint8_t>(std::stoi(text.substr(i * 3, 2), nullptr, 16));
    }
    return mac;
}

// The same MAC as the lists show it ("02-48-4C-56-07-15").
inline std::string LabMacText(std::string text) {
    for (char& c : text) {
        c = c == ':' ? '-' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

}  // namespace halvera::test
