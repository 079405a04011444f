#include "base/text_helpers.h"

#include <gtest/gtest.h>

#include <string>

namespace halvera {
namespace {

TEST(TextHelpers, TrimDropsBlanksAndOnlyTrimWithCrDropsTrailingCr) {
    struct Case {
        const char* name;
        std::string text;
        std::string trimmed;
        std::string trimmedWithCr;
    };
    const Case cases[] = {
        {"blanks_both_ends", " \tkey = v\t ", "key = v", "key = v"},
        {"only_blanks", " \t ", "", ""},
        {"stray_cr_at_end", "v \r", "v \r", "v"},
        {"cr_among_trailing_blanks", "v\r \r\t", "v\r \r", "v"},
        {"leading_cr_stays", "\rv", "\rv", "\rv"},
        {"inner_blanks_stay", "a  b", "a  b", "a  b"},
        {"line_feed_is_no_blank", "v\n", "v\n", "v\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Trim(c.text), c.trimmed) << c.name;
        EXPECT_EQ(TrimWithCr(c.text), c.trimmedWithCr) << c.name;
    }
}

TEST(TextHelpers, EqualsNoCaseFoldsAsciiLettersOnly) {
    struct Case {
        const char* name;
        std::string a;
        std::string b;
        bool equal;
    };
    const Case cases[] = {
        {"mixed_case", "SmtpServer", "smtpSERVER", true},
        {"different_length", "pop", "pop3", false},
        {"signs_are_no_letters", "[", "{", false},
        {"at_and_backquote", "@", "`", false},
        // Latin-1 letters differ in case in some locales, never here.
        {"high_bytes_as_they_are", "\xC0", "\xE0", false},
        {"same_high_bytes", "\x8C\x9F", "\x8C\x9F", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EqualsNoCase(c.a, c.b), c.equal) << c.name;
    }
}

}  // namespace
}  // namespace halvera
