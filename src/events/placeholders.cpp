#include "events/placeholders.h"

#include <array>

#include "base/clock.h"
#include "base/ip_address.h"
#include "base/text_codec.h"
#include "store/vendor_table.h"

namespace halvera {
namespace {

enum Placeholder { LABEL, IP, MAC, HOST, VEN, DATE, TIME };

// Tried in this order; the first name the text continues with wins.
constexpr std::array<std::pair<std::string_view, Placeholder>, 7> NAMES{{
    {"LABEL", LABEL},
    {"IP", IP},
    {"MAC", MAC},
    {"HOST", HOST},
    {"VEN", VEN},
    {"DATE", DATE},
    {"TIME", TIME},
}};

std::string Replacement(const NodeRecord& node, Placeholder placeholder) {
    switch (placeholder) {
        case LABEL:
            return node.label;
        case IP:
            return FormatIp(node.ip);
        case MAC:
            return FormatMac(node.mac);
        case HOST:
            return node.host;
        case VEN: {
            std::string vendor;
            LookupVendor(node.mac, vendor);
            return vendor.empty() ? FormatMac(node.mac) : vendor;
        }
        case DATE:
            return FormatDate(CurrentClock().LocalNow());
        case TIME:
            return FormatTime(CurrentClock().LocalNow());
    }
    return {};
}

}  // namespace

std::string ExpandPlaceholders(const NodeRecord& node, std::string_view text, std::size_t outSize) {
    std::string out;
    if (outSize == 0) {
        return out;
    }
    const std::size_t room = outSize - 1;
    std::size_t i = 0;
    while (i < text.size() && out.size() < room) {
        if (text[i] != '%') {
            // A two-byte character is copied whole or not at all, so the cut at the buffer's
            // end never leaves half of one.
            std::size_t width = IsCp932PairAt(text, i) ? 2 : 1;
            if (out.size() + width > room) {
                break;
            }
            out.append(text.substr(i, width));
            i += width;
            continue;
        }
        std::string_view rest = text.substr(i + 1);
        bool matched = false;
        for (const auto& [name, placeholder] : NAMES) {
            if (rest.substr(0, name.size()) != name) {
                continue;
            }
            std::string replacement = Replacement(node, placeholder);
            if (out.size() + replacement.size() >= outSize) {
                return out;
            }
            out += replacement;
            i += 1 + name.size();
            matched = true;
            break;
        }
        if (!matched) {
            out.push_back('%');
            ++i;
        }
    }
    return out;
}

}  // namespace halvera
