#include "store/display_colours.h"

#include <gtest/gtest.h>

#include <string>

namespace halvera {
namespace {

TEST(DisplayColours, ColourTextRoundTripsAndRefusesOtherShapes) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> colorRef;
    };
    const Case cases[] = {
        {"#FF0000", ColorRef(255, 0, 0)},
        {"#0000ff", ColorRef(0, 0, 255)},
        {"#12aB3c", ColorRef(0x12, 0xAB, 0x3C)},
        {"#000000", 0},
        {"#FFFFFF", 0xFFFFFF},
        {"FF0000", std::nullopt},
        {"#FF000", std::nullopt},
        {"#FF00000", std::nullopt},
        {"#GG0000", std::nullopt},
        {"#-F0000", std::nullopt},
        {"#+F0000", std::nullopt},
        {"# F0000", std::nullopt},
        {"", std::nullopt},
        {"red", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseColourText(c.text), c.colorRef) << c.text;
        if (c.colorRef) {
            std::string upper = c.text;
            for (char& ch : upper) {
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            }
            EXPECT_EQ(FormatColourText(*c.colorRef), upper);
        }
    }
}

TEST(DisplayColours, SettingsKeepColoursWithRedInTheLowByte) {
    // The defaults: SCOLOR 0x0000FF is red, PCOLOR 0xFF0000 blue.
    const AppSettings defaults;
    EXPECT_EQ(FormatColourText(defaults.SCOLOR), "#FF0000");
    EXPECT_EQ(FormatColourText(defaults.PCOLOR), "#0000FF");
    EXPECT_EQ(FormatColourText(defaults.BCOLOR2), "#E0E0E0");
}

TEST(DisplayColours, EachItemReadsAndWritesItsOwnKey) {
    AppSettings settings;
    settings.BCOLOR = 1;
    settings.BCOLOR2 = 2;
    settings.FCOLOR = 3;
    settings.NCOLOR = 4;
    settings.SCOLOR = 5;
    settings.PCOLOR = 6;
    const DisplayColours read = DisplayColours::Of(settings);
    EXPECT_EQ(read.values, (std::array<std::int32_t, DISPLAY_COLOUR_COUNT>{1, 2, 3, 4, 5, 6}));

    AppSettings written;
    written.TIMEOUT = 777;
    DisplayColours{{11, 12, 13, 14, 15, 16}}.StoreIn(written);
    AppSettings expected;
    expected.TIMEOUT = 777;
    expected.BCOLOR = 11;
    expected.BCOLOR2 = 12;
    expected.FCOLOR = 13;
    expected.NCOLOR = 14;
    expected.SCOLOR = 15;
    expected.PCOLOR = 16;
    EXPECT_EQ(written, expected);
}

TEST(DisplayColours, KeysAndSchemeNames) {
    const char* const keys[] = {"BCOLOR", "BCOLOR2", "FCOLOR", "NCOLOR", "SCOLOR", "PCOLOR"};
    for (int item = 0; item < DISPLAY_COLOUR_COUNT; ++item) {
        EXPECT_EQ(DisplayColourKey(item), keys[item]);
        EXPECT_EQ(DisplayColourItemOfKey(keys[item]), item);
    }
    EXPECT_EQ(DisplayColourItemOfKey("bcolor2"), COLOUR_ODD_BACKGROUND);
    for (const char* other : {"", "COLOR", "BCOLOR3", "MAP", "BCOLOR "}) {
        EXPECT_EQ(DisplayColourItemOfKey(other), std::nullopt) << other;
    }
    EXPECT_EQ(ColourSchemeOfName("light"), ColourScheme::Light);
    EXPECT_EQ(ColourSchemeOfName("dark"), ColourScheme::Dark);
    EXPECT_EQ(ColourSchemeOfName("white"), std::nullopt);
    EXPECT_EQ(ColourSchemeOfName("Dark"), std::nullopt);
}

TEST(DisplayColours, StandardSchemes) {
    // In item order: BCOLOR, BCOLOR2, FCOLOR, NCOLOR, SCOLOR, PCOLOR.
    struct Case {
        ColourScheme scheme;
        const char* texts[DISPLAY_COLOUR_COUNT];
    };
    const Case cases[] = {
        {ColourScheme::Light, {"#FFFFFF", "#E0E0E0", "#000000", "#C0C0C0", "#FF0000", "#0000FF"}},
        {ColourScheme::Dark, {"#000000", "#202020", "#C0C0C0", "#404040", "#FF0000", "#0000FF"}},
    };
    for (const Case& c : cases) {
        const DisplayColours colours = DisplayColours::Scheme(c.scheme);
        for (int item = 0; item < DISPLAY_COLOUR_COUNT; ++item) {
            EXPECT_EQ(FormatColourText(colours.values[item]), c.texts[item])
                << ColourSchemeName(c.scheme) << " " << DisplayColourKey(item);
        }
    }
    // The light scheme is the colours a fresh settings file starts with.
    EXPECT_EQ(DisplayColours::Scheme(ColourScheme::Light), DisplayColours::Of(AppSettings{}));
}

}  // namespace
}  // namespace halvera
