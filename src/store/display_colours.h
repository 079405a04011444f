#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "store/app_settings.h"

namespace halvera {

// The six list colours a user sets, in the order the colour dialog shows them.
enum DisplayColourItem {
    COLOUR_BACKGROUND,      // BCOLOR
    COLOUR_ODD_BACKGROUND,  // BCOLOR2
    COLOUR_TEXT,            // FCOLOR
    COLOUR_UNMONITORED,     // NCOLOR
    COLOUR_STOPPED,         // SCOLOR
    COLOUR_SNIFFING,        // PCOLOR
    DISPLAY_COLOUR_COUNT
};

// The two standard schemes: "標準色（ホワイト）" and "標準色（ブラック）".
enum class ColourScheme { Light, Dark };

// The six list colours as the settings keep them (0x00BBGGRR), indexed by DisplayColourItem.
struct DisplayColours {
    std::array<std::int32_t, DISPLAY_COLOUR_COUNT> values{};

    static DisplayColours Of(const AppSettings& settings);
    static DisplayColours Scheme(ColourScheme scheme);
    // Writes the six colours into their settings; the other settings stay as they are.
    void StoreIn(AppSettings& settings) const;

    bool operator==(const DisplayColours&) const = default;
};

// A colour value as the settings keep it.
constexpr std::int32_t ColorRef(int red, int green, int blue) {
    return static_cast<std::int32_t>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

// The settings key of an item ("BCOLOR" ...).
std::string_view DisplayColourKey(int item);
// The item of a settings key, in any letter case; nothing for another word.
std::optional<int> DisplayColourItemOfKey(std::string_view key);

// "light" and "dark", the schemes' names on the command line.
std::string_view ColourSchemeName(ColourScheme scheme);
std::optional<ColourScheme> ColourSchemeOfName(std::string_view name);

// A colour as text: "#RRGGBB" in upper-case hexadecimal, red first.
std::string FormatColourText(std::int32_t colorRef);
// "#" and exactly six hexadecimal digits (either case); nothing otherwise.
std::optional<std::int32_t> ParseColourText(std::string_view text);

}  // namespace halvera
