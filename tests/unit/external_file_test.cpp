#include "events/external_file.h"

#include <gtest/gtest.h>

#include "base/text_codec.h"

namespace halvera {
namespace {

TEST(ExternalFile, SplitsPathAndParameters) {
    struct Case {
        std::string text;
        std::string path;
        std::string parameters;
    };
    const Case cases[] = {
        {"C:\\Program Files\\tool.exe %IP", "C:\\Program Files\\tool.exe", "%IP"},
        {"/opt/My Tools/notify %IP %HOST", "/opt/My Tools/notify", "%IP %HOST"},
        {"notepad C:\\x.txt", "notepad C:\\x.txt", ""},
        {"/usr/bin/notify ", "/usr/bin/notify", ""},
        {"notify %IP", "notify", "%IP"},
        {" lead", " lead", ""},
        {"", "", ""},
        // 表 is 0x95 0x5C: its second byte is no backslash, so the blank ends the path.
        {"run " + Sjis("表"), "run", Sjis("表")},
    };
    for (const auto& c : cases) {
        ExternalFile file = SplitExternalFile(c.text);
        EXPECT_EQ(file.path, c.path) << c.text;
        EXPECT_EQ(file.parameters, c.parameters) << c.text;
    }
}

TEST(ExternalFile, ArgumentsSplitAtBlanksOnly) {
    EXPECT_EQ(SplitArguments("  192.168.0.5  PC01;rm -rf / "),
              (std::vector<std::string>{"192.168.0.5", "PC01;rm", "-rf", "/"}));
    EXPECT_TRUE(SplitArguments("   ").empty());
}

}  // namespace
}  // namespace halvera
