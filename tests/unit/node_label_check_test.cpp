#include "store/node_label_check.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text_codec.h"

namespace halvera {
namespace {

TEST(NodeLabelCheck, SizeInCp932BytesNoCommaAndNoControlCharacter) {
    const std::string size = Sjis("サイズが不正です。(36Byteまで)");
    const std::string comma = Sjis("設定値に , を使用することはできません。");
    const std::string control = Sjis("設定値に制御文字を使用することはできません。");
    struct Case {
        const char* name;
        std::string label;
        std::string message;
    };
    const Case cases[] = {
        {"empty: clears the label", "", ""},
        {"36 ASCII bytes", std::string(36, 'a'), ""},
        {"37 ASCII bytes", std::string(37, 'a'), size},
        {"18 double-byte characters are 36 bytes", Sjis("受付受付受付受付受付受付受付受付受付"),
         ""},
        {"18 double-byte characters and one byte", Sjis("受付受付受付受付受付受付受付受付受付x"),
         size},
        {"a comma would split the record's field", "pc,01", comma},
        {"a comma alone", ",", comma},
        {"too long and a comma: the size first", std::string(36, 'a') + ",", size},
        {"a full-width comma is no separator", Sjis("受付，1階"), ""},
        // The node file's line ends at a line break, and a mail that carries the label reads
        // ESC as a change of character set: no C0 control character and no DEL, after the size
        // and the comma.
        {"CR LF would end the record line", "line1\r\nline2", control},
        {"LF alone", "a\nb", control},
        {"a tab", "a\tb", control},
        {"ESC would switch a mail to kanji", "x\x1b(Jy\x1b$B", control},
        {"SO", "a\x0e", control},
        {"NUL", std::string("a\0b", 3), control},
        {"the last C0 byte", "\x1f", control},
        {"DEL", "a\x7f", control},
        {"space and tilde are printable", " ~", ""},
        {"Japanese text", Sjis("受付 ｳｹﾂｹ"), ""},
        {"a comma and a control character: the comma first", ",\t", comma},
        {"too long with a control character: the size first", std::string(36, 'a') + "\t", size},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckNodeLabel(c.label), c.message) << c.name;
    }
}

}  // namespace
}  // namespace halvera
