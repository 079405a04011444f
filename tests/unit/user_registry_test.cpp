#include "base/user_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "base/text_codec.h"
#include "support/file_bytes.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

const std::string KEY_LINE = "[HKEY_CURRENT_USER\\SOFTWARE\\Draymoor\\Kelvane\\datareg]\r\n";
const std::string NEW_FILE = "REGEDIT4\r\n\r\n" + KEY_LINE;

class UserRegistryTest : public ::testing::Test {
  protected:
    std::filesystem::path Folder() const { return m_folder.Path() / "config" / "Draymoor"; }
    std::filesystem::path File() const { return Folder() / "datareg.reg"; }

    void WriteFile(const std::string& bytes) {
        std::filesystem::create_directories(Folder());
        test::WriteBytes(File(), bytes);
    }

    // What a second process reads from the file as it is now.
    std::optional<RegistryValue> ReadBack(std::string_view name) const {
        UserRegistry reader(File());
        if (!reader.OpenKey()) {
            return std::nullopt;
        }
        return reader.QueryValue(name);
    }

    test::TempProgramFolder m_folder;
};

TEST_F(UserRegistryTest, CreateKeyWritesTheExportFormPrivateToTheUser) {
    UserRegistry registry(File());
    EXPECT_FALSE(registry.OpenKey());
    ASSERT_TRUE(registry.CreateKey());
    EXPECT_EQ(test::ReadBytes(File()), NEW_FILE);

    ASSERT_TRUE(registry.SetValue("smtpserver", std::string("mail.example.com")));
    ASSERT_TRUE(registry.SetValue("pop", std::uint32_t{10}));
    ASSERT_TRUE(registry.SetValue("path", std::string("C:\\mail \"box\"")));
    ASSERT_TRUE(registry.SetValue("SMTPSERVER", std::string("other.example.com")));
    EXPECT_EQ(test::ReadBytes(File()), NEW_FILE +
                                           "\"smtpserver\"=\"other.example.com\"\r\n"
                                           "\"pop\"=dword:0000000a\r\n"
                                           "\"path\"=\"C:\\\\mail \\\"box\\\"\"\r\n");

    struct stat info {};
    ASSERT_EQ(stat(File().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(Folder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u);
    // The temporary files of the atomic rewrites are gone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(UserRegistryTest, TextsComeBackAsTheyWereWritten) {
    const std::string texts[] = {
        "",
        "C:\\dir\\",
        "say \"hi\"",
        "\\\"",
        Sjis("ソ表能"),  // second bytes are '\': not escapes
        Sjis("件名 テスト①"),
        std::string(REGISTRY_QUERY_BUFFER - 1, 'x'),
    };
    UserRegistry registry(File());
    ASSERT_TRUE(registry.CreateKey());
    for (const std::string& text : texts) {
        ASSERT_TRUE(registry.SetValue("subject", text)) << text;
        EXPECT_EQ(registry.QueryValue("subject"), RegistryValue(text)) << text;
        EXPECT_EQ(ReadBack("subject"), RegistryValue(text)) << text;
    }
    ASSERT_TRUE(registry.SetValue("subject", Sjis("ソ")));
    EXPECT_NE(test::ReadBytes(File()).find("\"subject\"=\"\x83\x5C\"\r\n"), std::string::npos);
}

TEST_F(UserRegistryTest, RefusesTextsThatCannotStandOnOneLineAndKeepsTheFile) {
    const std::string texts[] = {"a\r\nb", "a\nb", std::string("a\0b", 3), "cut \x83"};
    UserRegistry registry(File());
    ASSERT_TRUE(registry.CreateKey());
    ASSERT_TRUE(registry.SetValue("subject", std::string("kept")));
    const std::string before = test::ReadBytes(File());
    for (const std::string& text : texts) {
        EXPECT_FALSE(registry.SetValue("subject", text)) << text;
        EXPECT_FALSE(registry.SetValue(text, std::string("value"))) << text;
    }
    EXPECT_EQ(test::ReadBytes(File()), before);
    EXPECT_EQ(registry.QueryValue("subject"), RegistryValue(std::string("kept")));
}

TEST_F(UserRegistryTest, KeepsLinesItDoesNotKnow) {
    WriteFile(
        "REGEDIT4\r\n"
        "\r\n"
        "; exported by hand\r\n"
        "[HKEY_CURRENT_USER\\Software\\Draymoor\\Kelvane\\datareg]\r\n"
        "@=\"default\"\r\n"
        "\"adrfrom\"=\"a@example.com\"\r\n"
        "\"blob\"=hex:01,02,\\\r\n"
        "  03\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
        "\"adrto1\"=\"not ours\"\r\n");
    UserRegistry registry(File());
    ASSERT_TRUE(registry.OpenKey());
    EXPECT_FALSE(registry.QueryValue("adrto1").has_value());  // belongs to another key
    EXPECT_FALSE(registry.QueryValue("blob").has_value());    // a type this file does not use
    ASSERT_TRUE(registry.SetValue("adrfrom", std::string("b@example.com")));
    ASSERT_TRUE(registry.SetValue("adrto1", std::string("c@example.com")));
    EXPECT_EQ(test::ReadBytes(File()),
              "REGEDIT4\r\n"
              "\r\n"
              "; exported by hand\r\n"
              "[HKEY_CURRENT_USER\\Software\\Draymoor\\Kelvane\\datareg]\r\n"
              "@=\"default\"\r\n"
              "\"adrfrom\"=\"b@example.com\"\r\n"
              "\"blob\"=hex:01,02,\\\r\n"
              "  03\r\n"
              "\"adrto1\"=\"c@example.com\"\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
              "\"adrto1\"=\"not ours\"\r\n");
}

TEST_F(UserRegistryTest, CreateKeyAddsTheKeyToAFileWithoutIt) {
    struct Case {
        const char* name;
        std::string content;
        std::string expected;
    };
    const Case cases[] = {
        {"empty", "", NEW_FILE},
        {"header only", "REGEDIT4\r\n", NEW_FILE},
        {"other key", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Other]\r\n\"x\"=\"1\"\r\n",
         "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Other]\r\n\"x\"=\"1\"\r\n\r\n" + KEY_LINE},
        {"garbage", "\x01\xFFgarbage", "REGEDIT4\r\n\r\n\x01\xFFgarbage\r\n\r\n" + KEY_LINE},
        {"cut key line", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTW",
         "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTW\r\n\r\n" + KEY_LINE},
    };
    for (const Case& c : cases) {
        WriteFile(c.content);
        UserRegistry registry(File());
        EXPECT_FALSE(registry.OpenKey()) << c.name;
        EXPECT_TRUE(registry.CreateKey()) << c.name;
        EXPECT_EQ(test::ReadBytes(File()), c.expected) << c.name;
        EXPECT_TRUE(registry.OpenKey()) << c.name;
    }
}

TEST_F(UserRegistryTest, ValuesThatDoNotParseCountAsMissing) {
    struct Case {
        const char* line;
        std::optional<RegistryValue> expected;
    };
    const Case cases[] = {
        {"\"v\"=\"text\"", RegistryValue(std::string("text"))},
        {"  \"v\" = \"text\"  ", RegistryValue(std::string("text"))},
        {"\"v\"=dword:0000000A", RegistryValue(std::uint32_t{10})},
        {"\"v\"=DWORD:ffffffff", RegistryValue(std::uint32_t{0xFFFFFFFF})},
        {"\"v\"=\"cut", std::nullopt},
        {"\"v\"=\"cut\\", std::nullopt},
        {"\"v\"=\"bad \\n escape\"", std::nullopt},
        {"\"v\"=\"text\" junk", std::nullopt},
        {"\"v\"=dword:0000001", std::nullopt},  // a cut number must not read as a smaller one
        {"\"v\"=dword:000000010", std::nullopt},
        {"\"v\"=dword:0000000g", std::nullopt},
        {"\"v\"=dword:-0000001", std::nullopt},
        {"\"v\"", std::nullopt},
        {"\"v\"=", std::nullopt},
        {"\"v", std::nullopt},
    };
    for (const Case& c : cases) {
        WriteFile(NEW_FILE + c.line + "\r\n");
        EXPECT_EQ(ReadBack("v"), c.expected) << c.line;
    }
}

TEST_F(UserRegistryTest, QueryFailsForTextsLongerThanItsBuffer) {
    UserRegistry registry(File());
    ASSERT_TRUE(registry.CreateKey());
    ASSERT_TRUE(registry.SetValue("subject", std::string(REGISTRY_QUERY_BUFFER, 'x')));
    EXPECT_FALSE(registry.QueryValue("subject").has_value());
    EXPECT_FALSE(registry.QueryValue("missing").has_value());
    registry.CloseKey();
    EXPECT_FALSE(registry.QueryValue("subject").has_value());
    EXPECT_FALSE(registry.SetValue("subject", std::string("closed")));
}

TEST_F(UserRegistryTest, FailsWhereTheFileCannotBeReadOrWritten) {
    // Tests run as root, so rights do not stop a write; a regular file in the place of a
    // folder does.
    std::filesystem::path blocker = m_folder.Path() / "blocker";
    test::WriteBytes(blocker, "not a folder");
    UserRegistry underFile(blocker / "Kelvane" / "datareg.reg");
    EXPECT_FALSE(underFile.CreateKey());
    EXPECT_FALSE(underFile.OpenKey());

    std::filesystem::create_directories(File());
    UserRegistry onFolder(File());
    EXPECT_FALSE(onFolder.CreateKey());
    EXPECT_FALSE(onFolder.OpenKey());
    std::filesystem::remove(File());

    UserRegistry registry(File());
    ASSERT_TRUE(registry.CreateKey());
    ASSERT_TRUE(registry.SetValue("adrfrom", std::string("a@example.com")));
    std::filesystem::remove_all(Folder());
    test::WriteBytes(Folder(), "not a folder");
    EXPECT_FALSE(registry.SetValue("adrfrom", std::string("b@example.com")));
    EXPECT_EQ(registry.QueryValue("adrfrom"), RegistryValue(std::string("a@example.com")));
}

TEST(DefaultUserRegistryPath, FollowsTheConfigHome) {
    struct Case {
        const char* xdg;  // nullptr: unset
        const char* expected;
    };
    const Case cases[] = {
        {"/srv/cfg", "/srv/cfg/Draymoor/Kelvane/datareg.reg"},
        {nullptr, "/home/admin/.config/Draymoor/Kelvane/datareg.reg"},
        {"", "/home/admin/.config/Draymoor/Kelvane/datareg.reg"},
        {"relative/cfg", "/home/admin/.config/Draymoor/Kelvane/datareg.reg"},
    };
    auto saved = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    auto restore = [](const char* name, const std::optional<std::string>& value) {
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    };
    const std::optional<std::string> xdg = saved("XDG_CONFIG_HOME");
    const std::optional<std::string> home = saved("HOME");
    setenv("HOME", "/home/admin", 1);
    for (const Case& c : cases) {
        restore("XDG_CONFIG_HOME", c.xdg ? std::optional<std::string>(c.xdg) : std::nullopt);
        EXPECT_EQ(DefaultUserRegistryPath(), std::filesystem::path(c.expected))
            << (c.xdg ? c.xdg : "unset");
    }
    restore("XDG_CONFIG_HOME", xdg);
    restore("HOME", home);
}

}  // namespace
}  // namespace halvera
