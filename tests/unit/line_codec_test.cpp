#include "store/line_codec.h"

#include <gtest/gtest.h>

namespace halvera {
namespace {

TEST(LineCodec, EncodesToKnownBytes) {
    struct Case {
        const char* name;
        std::string input;
        std::string encoded;
    };
    const Case cases[] = {
        {"letters", "abc", "\x3D\x3B\x39"},
        {"y_escapes_to_cr", "y", "\xFF\xF3"},
        {"space", " ", "\xBF"},
        {"stops_before_lf", "a\nb", "\x3D"},
        {"stops_before_nul", std::string("a\0b", 3), "\x3D"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeLine(c.input, 1000), c.encoded) << c.name;
    }
    EXPECT_EQ(EncodeLine("abc", 2), "\x3D\x3B");
}

TEST(LineCodec, EveryByteRoundTripsAndNoLineEndOrCommaSurvives) {
    std::string all;
    for (int c = 1; c < 256; ++c) {
        if (c != '\n' && c != 0xFF) {  // LF ends a line; 0xFF encodes to NUL
            all.push_back(static_cast<char>(c));
        }
    }
    std::string encoded = EncodeLine(all, all.size());
    EXPECT_EQ(encoded.find_first_of(std::string("\n\r,", 3)), std::string::npos);
    EXPECT_EQ(DecodeLine(encoded), all);
}

TEST(LineCodec, DecodeStopsAtLineEndAndAtAHalfEscapePair) {
    EXPECT_EQ(DecodeLine("\x3D\x3B\n\x39"), "ab");
    EXPECT_EQ(DecodeLine("\x3D\xFF"), "a");
    EXPECT_EQ(DecodeLine("\x3D\xFF\n"), "a");
    EXPECT_EQ(DecodeLine(""), "");
}

}  // namespace
}  // namespace halvera
