#include "events/mail_encoding.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <string>

#include "base/text_codec.h"

namespace halvera {
namespace {

// Reads ISO-2022-JP back with the system's own converter, independent of the encoder.
std::string JisToUtf8(const std::string& jis) {
    iconv_t cd = iconv_open("UTF-8", "ISO-2022-JP");
    std::string in = jis;
    std::string out(in.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    EXPECT_NE(result, static_cast<size_t>(-1)) << "not ISO-2022-JP: " << jis;
    out.resize(out.size() - outLeft);
    return out;
}

bool IsSevenBit(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

TEST(SjisToJis, GivesTheIso2022JpBytes) {
    struct Case {
        const char* name;
        std::string sjis;
        std::string jis;
    } cases[] = {
        {"kana only", Sjis("テストメール"),
         "\x1B$B\x25\x46\x25\x39\x25\x48\x25\x61\x21\x3C\x25\x6B\x1B(B"},
        {"ASCII stays as it is", "Node 10.0.0.1 up", "Node 10.0.0.1 up"},
        {"empty", "", ""},
        {"ASCII after Japanese switches back", Sjis("新規ノードa"),
         "\x1B$B\x3F\x37\x35\x2C\x25\x4E\x21\x3C\x25\x49\x1B(Ba"},
        {"Japanese at the end ends in ASCII mode", Sjis("a検出"), "a\x1B$B\x38\x21\x3D\x50\x1B(B"},
        {"half-width kana become full-width, voiced marks join", Sjis("ｶﾞｰﾄﾞ1"),
         "\x1B$B\x25\x2C\x21\x3C\x25\x49\x1B(B1"},
        {"a cut character at the end becomes the substitute mark", "ab\x83",
         "ab\x1B$B\x22\x2E\x1B(B"},
        {"a lead byte before a control character keeps it", "\x83\t", "\x1B$B\x22\x2E\x1B(B\t"},
        // Row 13 (NEC), which the mail decoders of Windows and of the browsers know.
        {"circled digits keep their row 13 code", Sjis("①"), "\x1B$B\x2D\x21\x1B(B"},
        {"an IBM extension row has no JIS code", "\xFA\x40", "\x1B$B\x22\x2E\x1B(B"},
        // Only the encoder's own escapes change the character set: a text's ESC, SO and SI
        // become the substitute mark, the other control characters stay.
        {"ESC in a text would switch to kanji", "x\x1B$By", "x\x1B$B\x22\x2E\x1B(B$By"},
        {"ESC after Japanese", Sjis("検") + "\x1B(Jy", "\x1B$B\x38\x21\x22\x2E\x1B(B(Jy"},
        {"SO and SI", "a\x0E.\x0F.", "a\x1B$B\x22\x2E\x1B(B.\x1B$B\x22\x2E\x1B(B."},
        {"a lead byte before ESC", "\x83\x1B", "\x1B$B\x22\x2E\x22\x2E\x1B(B"},
        {"line ends and tabs stay", "a\r\n\tb", "a\r\n\tb"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SjisToJis(c.sjis), c.jis) << c.name;
    }
}

TEST(SjisToJis, DecodesBackToTheSameText) {
    const char* texts[] = {
        "盗聴ノード検出 192.168.1.20 00-11-22-33-44-55",
        "ネットワーク機器変更（ＩＰアドレス）",
        "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘ"
        "ホマミムメモヤユヨラリルレロワン゛゜",
        "ガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポヴ",
    };
    for (const char* utf8 : texts) {
        std::string jis = SjisToJis(Sjis(utf8));
        EXPECT_TRUE(IsSevenBit(jis)) << utf8;
        EXPECT_EQ(JisToUtf8(jis), utf8);
    }
    // The same texts typed in half-width katakana arrive full-width.
    EXPECT_EQ(JisToUtf8(SjisToJis(
                  Sjis("｡｢｣､･ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ"))),
              texts[2]);
    EXPECT_EQ(JisToUtf8(SjisToJis(Sjis("ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟｳﾞ"))),
              texts[3]);
    // A mark that joins nothing stays a mark of its own.
    EXPECT_EQ(JisToUtf8(SjisToJis(Sjis("ｱﾞﾏﾟ"))), "ア゛マ゜");
}

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

TEST(Base64Encode, PadsToFourCharactersWithoutLineBreaks) {
    struct Case {
        std::string in;
        std::string out;
    } cases[] = {
        {"abc", "YWJj"},
        {"ab", "YWI="},
        {"a", "YQ=="},
        {"", ""},
        {"\xFB\xFF\xBF", "+/+/"},
        // Longer than one line of 76 characters, still one line.
        {std::string(60, 'x'), Repeat("eHh4", 20)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Base64Encode(c.in), c.out) << c.in;
    }
}

}  // namespace
}  // namespace halvera
