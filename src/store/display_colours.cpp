#include "store/display_colours.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace halvera {
namespace {

struct ItemKey {
    std::string_view key;
    std::int32_t AppSettings::*field;
};

constexpr ItemKey ITEM_KEYS[DISPLAY_COLOUR_COUNT] = {
    {"BCOLOR", &AppSettings::BCOLOR}, {"BCOLOR2", &AppSettings::BCOLOR2},
    {"FCOLOR", &AppSettings::FCOLOR}, {"NCOLOR", &AppSettings::NCOLOR},
    {"SCOLOR", &AppSettings::SCOLOR}, {"PCOLOR", &AppSettings::PCOLOR},
};

constexpr DisplayColours LIGHT{{ColorRef(255, 255, 255), ColorRef(224, 224, 224), ColorRef(0, 0, 0),
                                ColorRef(192, 192, 192), ColorRef(255, 0, 0), ColorRef(0, 0, 255)}};
constexpr DisplayColours DARK{{ColorRef(0, 0, 0), ColorRef(32, 32, 32), ColorRef(192, 192, 192),
                               ColorRef(64, 64, 64), ColorRef(255, 0, 0), ColorRef(0, 0, 255)}};

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

DisplayColours DisplayColours::Of(const AppSettings& settings) {
    DisplayColours colours;
    for (int item = 0; item < DISPLAY_COLOUR_COUNT; ++item) {
        colours.values[item] = settings.*ITEM_KEYS[item].field;
    }
    return colours;
}

DisplayColours DisplayColours::Scheme(ColourScheme scheme) {
    return scheme == ColourScheme::Light ? LIGHT : DARK;
}

void DisplayColours::StoreIn(AppSettings& settings) const {
    for (int item = 0; item < DISPLAY_COLOUR_COUNT; ++item) {
        settings.*ITEM_KEYS[item].field = values[item];
    }
}

std::string_view DisplayColourKey(int item) {
    return ITEM_KEYS[item].key;
}

std::optional<int> DisplayColourItemOfKey(std::string_view key) {
    for (int item = 0; item < DISPLAY_COLOUR_COUNT; ++item) {
        if (SameWord(ITEM_KEYS[item].key, key)) {
            return item;
        }
    }
    return std::nullopt;
}

std::string_view ColourSchemeName(ColourScheme scheme) {
    return scheme == ColourScheme::Light ? "light" : "dark";
}

std::optional<ColourScheme> ColourSchemeOfName(std::string_view name) {
    for (const ColourScheme scheme : {ColourScheme::Light, ColourScheme::Dark}) {
        if (name == ColourSchemeName(scheme)) {
            return scheme;
        }
    }
    return std::nullopt;
}

std::string FormatColourText(std::int32_t colorRef) {
    const auto v = static_cast<std::uint32_t>(colorRef);
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    return text;
}

std::optional<std::int32_t> ParseColourText(std::string_view text) {
    if (text.size() != 7 || text[0] != '#') {
        return std::nullopt;
    }
    for (const char c : text.substr(1)) {
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            return std::nullopt;
        }
    }
    unsigned rgb = 0;
    std::from_chars(text.data() + 1, text.data() + text.size(), rgb, 16);
    return ColorRef(static_cast<int>(rgb >> 16), static_cast<int>(rgb >> 8), static_cast<int>(rgb));
}

}  // namespace halvera
