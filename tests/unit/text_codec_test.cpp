#include "base/text_codec.h"

#include <gtest/gtest.h>

namespace halvera {
namespace {

struct RoundTrip {
    const char* name;
    std::string utf8;
    std::string cp932;
};

class TextCodecRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(TextCodecRoundTrip, ConvertsBothWays) {
    const auto& c = GetParam();
    EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932);
    EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextCodecRoundTrip,
    testing::Values(RoundTrip{"ascii", "NetDB Open Error", "NetDB Open Error"},
                    RoundTrip{"empty", "", ""},
                    RoundTrip{"kana_kanji", "検索中", "\x8C\x9F\x8D\xF5\x92\x86"},
                    RoundTrip{"ideographic_full_stop", "。", "\x81\x42"},
                    // NEC row 13 and IBM extensions: only CP932 has them.
                    RoundTrip{"nec_circled_digit", "①", "\x87\x40"},
                    RoundTrip{"nec_kabushiki", "㈱", "\x87\x8A"},
                    RoundTrip{"ibm_extension", "纊", "\xFA\x5C"},
                    // CP932 maps 0x5C to the backslash and 0x7E to the tilde, as paths need.
                    RoundTrip{"backslash_tilde", "C:\\x~", "C:\\x~"},
                    RoundTrip{"control_bytes", "\x1A\x1C\x7F", "\x1A\x1C\x7F"}),
    [](const auto& info) { return info.param.name; });

TEST(TextCodec, InvalidInputGivesAnErrorNotACrash) {
    struct Case {
        const char* name;
        std::string input;
        bool fromCp932;
    };
    const Case cases[] = {
        {"lone_lead_byte_at_end", "abc\x82", true},  {"undefined_byte_ff", "\xFF", true},
        {"bad_trail_byte", "\x82\x20", true},        {"invalid_utf8", "\xC3\x28", false},
        {"not_in_cp932", "\xF0\x9F\x98\x80", false},  // an emoji
    };
    for (const auto& c : cases) {
        std::string error;
        auto result = c.fromCp932 ? Cp932ToUtf8(c.input, &error) : Utf8ToCp932(c.input, &error);
        EXPECT_FALSE(result.has_value()) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

TEST(TextCodec, LossyConversionKeepsTheRest) {
    EXPECT_EQ(Cp932ToUtf8Lossy("a\xFF"
                               "b"),
              "a?b");
    EXPECT_EQ(Utf8ToCp932Lossy("x\xF0\x9F\x98\x80y"), "x?y");
}

TEST(TextCodec, ByteLengthCountsCp932Bytes) {
    EXPECT_EQ(Cp932ByteLength("abc"), 3u);
    EXPECT_EQ(Cp932ByteLength("検索中・・・"), 12u);
    EXPECT_FALSE(Cp932ByteLength("\xF0\x9F\x98\x80").has_value());
}

TEST(TextCodec, CutNeverSplitsATwoByteCharacter) {
    const std::string text = Sjis("a検索");  // 1 + 2 + 2 bytes
    EXPECT_EQ(CutCp932(text, 5), text);
    EXPECT_EQ(CutCp932(text, 4), text.substr(0, 3));
    EXPECT_EQ(CutCp932(text, 2), "a");
    EXPECT_EQ(CutCp932(text, 0), "");
}

TEST(TextCodec, PairNeedsALeadByteThenATrailByte) {
    struct Case {
        const char* name;
        std::string text;
        bool pair;
    };
    const Case cases[] = {
        {"first_lead_range", "\x81\x40", true},    {"last_of_first_range", "\x9F\xFC", true},
        {"gap_between_ranges", "\xA0\x40", false}, {"second_lead_range", "\xE0\x7E", true},
        {"last_lead", "\xFC\x80", true},           {"beyond_last_lead", "\xFD\x40", false},
        {"trail_below_range", "\x82\x3F", false},  {"trail_delete_byte", "\x82\x7F", false},
        {"trail_beyond_range", "\x82\xFD", false}, {"backslash_as_trail", "\x95\x5C", true},
        {"lead_at_the_end", "\x82", false},        {"ascii", "ab", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsCp932PairAt(c.text, 0), c.pair) << c.name;
        EXPECT_EQ(IsCp932PairAt("x" + c.text, 1), c.pair) << c.name;
    }
}

}  // namespace
}  // namespace halvera
