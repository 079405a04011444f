#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "store/line_codec.h"
#include "store/settings_files.h"
#include "support/cli_process.h"
#include "support/file_bytes.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using test::RunCli;

bool Holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A line of EventDB.na from its twelve fields (each ended by a comma): blanks up to 791
// bytes, then CR LF.
std::string EventLine(const std::string& fields) {
    std::string line = fields;
    line.resize(791, ' ');
    return line + "\r\n";
}

class EventCommandTest : public ::testing::Test {
  protected:
    test::CliResult Cli(std::vector<std::string> command) {
        command.insert(command.begin(), {"--home", folder.Path().string()});
        return RunCli(command);
    }

    static std::string EventFile() { return test::ReadBytes(DbFolder() / "EventDB.na"); }
    static std::string RangeFile() { return test::ReadBytes(DbFolder() / "ActionNodeDB.na"); }
    static std::string Ini() { return test::ReadBytes(SettingsFilePath()); }

    test::TempProgramFolder folder;
};

TEST_F(EventCommandTest, BadUsageIsRefusedWithTheUsage) {
    struct Case {
        std::vector<std::string> arguments;
        const char* err;
    };
    const Case cases[] = {
        {{"event", "list"}, "event needs nothing, or set KIND FIELD VALUE..."},
        {{"event", "set", "0"}, "event needs nothing, or set KIND FIELD VALUE..."},
        {{"event", "set", "0", "enabled"}, "event needs nothing, or set KIND FIELD VALUE..."},
        {{"event", "set", "6", "enabled", "1"}, "event set needs an event kind from 0 to 5, not 6"},
        {{"event", "set", "-1", "enabled", "1"}, "event kind from 0 to 5, not -1"},
        {{"event", "set", "01", "enabled", "1"}, "event kind from 0 to 5, not 01"},
        {{"event", "set", "0", "enabled", "2"}, "enabled cannot be 2 (0 or 1)"},
        {{"event", "set", "0", "colour", "red"}, "event set has no field colour"},
        {{"action-ranges"}, "action-ranges needs list, add START END"},
        {{"action-ranges", "add", "198.18.7.1"}, "needs two dotted IPv4 addresses or NETWORK/BITS"},
        {{"action-ranges", "delete", "198.18.7", "198.18.7.9"}, "action-ranges delete needs"},
        {{"action-ranges", "allevent", "2"}, "action-ranges needs list"},
        {{"action-ranges", "clear", "all"}, "action-ranges needs list"},
        {{"sniff", "set"}, "sniff needs nothing, or set any, set none or set TEST..."},
        {{"sniff", "show"}, "sniff needs nothing"},
        {{"sniff", "set", "Gr"}, "sniff set has no test Gr (B47, B16, B8)"},
        {{"sniff", "set", "any", "B47"}, "sniff set has no test any"},
    };
    for (const Case& c : cases) {
        const auto result = Cli(c.arguments);
        const std::string name = testing::PrintToString(c.arguments);
        EXPECT_EQ(result.status, 2) << name;
        EXPECT_TRUE(Holds(result.err, c.err)) << name << "\n" << result.err;
        EXPECT_TRUE(Holds(result.err, "usage: halvera-cli")) << name;
    }
    // Nothing was opened: no files were made.
    EXPECT_FALSE(std::filesystem::exists(DbFolder() / "EventDB.na"));
}

TEST_F(EventCommandTest, EventSetStoresTheKindsLineWithTheDialogsChecks) {
    // A folder whose event settings file holds no kind yet: the first start leaves it so.
    std::filesystem::create_directories(DbFolder());
    test::WriteBytes(DbFolder() / "EventDB.na", "");
    auto result = Cli({"event", "set", "0", "enabled", "1", "screen", "1", "log", "1", "message",
                       "新規 %IP %MAC", "popup", "新しいノード %IP", "sound", "alarm.WAV"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string newNode = EventLine("0,1,0,1,1," + Sjis("新しいノード %IP") +
                                          ",,,,0,alarm.WAV," + Sjis("新規 %IP %MAC") + ",");
    EXPECT_EQ(EventFile(), newNode);

    struct Case {
        const char* name;
        std::vector<std::string> set;  // FIELD VALUE... of kind 0
        int status;
        std::string err;
    };
    std::string longMessage;
    for (int i = 0; i < 65; ++i) {
        longMessage += "検";
    }
    const Case cases[] = {
        {"130-byte Japanese message",
         {"message", longMessage},
         2,
         "出力メッセージを128文字以内で入力してください。\n"},
        {"popup with a comma",
         {"popup", "%IP,%MAC"},
         2,
         "設定値に , を使用することはできません。\n"},
        {"popup with a line break",
         {"popup", "%IP\r\n%MAC"},
         2,
         "設定値に制御文字を使用することはできません。\n"},
        {"one refused value stores none of the others",
         {"enabled", "0", "mail", std::string(129, 'm')},
         2,
         "メールメッセージを128文字以内で入力してください。\n"},
        {"alarm.wave", {"sound", "alarm.wave"}, 2, "サウンド再生ファイルが不正です。( .wav )\n"},
        {".wav", {"sound", ".wav"}, 2, "サウンド再生ファイルが不正です。( .wav )\n"},
        {"a.mp3", {"sound", "a.mp3"}, 2, "サウンド再生ファイルが不正です。( .wav )\n"},
        {"a character CP932 lacks",
         {"popup", "新規 \U0001F600"},
         2,
         "halvera-cli: the popup text holds a character that CP932 cannot express\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"event", "set", "0"};
        arguments.insert(arguments.end(), c.set.begin(), c.set.end());
        result = Cli(arguments);
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(result.err, c.err) << c.name;
        EXPECT_EQ(EventFile(), newNode) << c.name;
    }

    // Accepted: only the fields named change, the line is replaced in place.
    result = Cli({"event", "set", "0", "sound", "x.Wav", "beep", "1", "popup", ""});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(EventFile(), EventLine("0,1,0,1,1,,,,,1,x.Wav," + Sjis("新規 %IP %MAC") + ","));

    // The address and MAC change kinds are set like the others.
    ASSERT_EQ(Cli({"event", "set", "5", "enabled", "1", "mail", "機器 %MAC"}).status, 0);
    const auto shown = Cli({"event"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_TRUE(shown.out.starts_with(
        "KIND\tNAME\tenabled\tscreen\tlog\tmessage\tpopup\tfile\tmail\tbeep\tsound\n"
        "0\t新規ノード検出\t1\t1\t1\t新規 %IP %MAC\t\t\t\t1\tx.Wav\n"
        "1\tノード起動\t0\t0\t0\t\t\t\t\t0\t\n"))
        << shown.out;
    EXPECT_TRUE(Holds(shown.out,
                      "\n4\tIPアドレス変更\t0\t0\t0\t\t\t\t\t0\t\n"
                      "5\tネットワーク機器変更\t1\t0\t0\t\t\t\t機器 %MAC\t0\t\n"))
        << shown.out;
}

TEST_F(EventCommandTest, ActionRangesAndAlleventAreStoredAsTheDialogsOkStoresThem) {
    const auto encoded = [](const std::vector<std::string>& lines) {
        std::string bytes;
        for (const std::string& line : lines) {
            bytes += EncodeLine(line, line.size()) + "\r\n";
        }
        return bytes;
    };
    ASSERT_EQ(Cli({"action-ranges", "add", "198.18.7.1", "198.18.7.9"}).status, 0);
    ASSERT_EQ(Cli({"action-ranges", "add", "198.18.7.32/28"}).status, 0);
    ASSERT_EQ(Cli({"action-ranges", "add", "10.0.0.5", "10.0.0.5"}).status, 0);
    EXPECT_EQ(RangeFile(),
              encoded({"198.18.7.1,198.18.7.9", "198.18.7.33,198.18.7.46", "10.0.0.5,10.0.0.5"}));
    // ALLEVENT stays as it was, and the settings are saved as the dialog's OK saves them.
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "ALLEVENT", -1), 1);

    const std::string before = RangeFile();
    const std::string ini = Ini();
    auto result = Cli({"action-ranges", "add", "198.18.7.9", "198.18.7.1"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "アドレス範囲が不正です。\n");
    result = Cli({"action-ranges", "delete", "198.18.7.1", "198.18.7.10"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "halvera-cli: 198.18.7.1 - 198.18.7.10 is not an action node range\n");
    EXPECT_EQ(RangeFile(), before);
    EXPECT_EQ(Ini(), ini);

    ASSERT_EQ(Cli({"action-ranges", "delete", "198.18.7.32/28"}).status, 0);
    result = Cli({"action-ranges", "list"});
    EXPECT_EQ(result.out,
              "開始アドレス\t終了アドレス\n198.18.7.1\t198.18.7.9\n10.0.0.5\t10.0.0.5\n");

    ASSERT_EQ(Cli({"action-ranges", "allevent", "0"}).status, 0);
    EXPECT_EQ(Cli({"action-ranges", "allevent"}).out, "KEY\tVALUE\nALLEVENT\t0\n");
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "ALLEVENT", -1), 0);
    // Back to all nodes: the ranges stay.
    ASSERT_EQ(Cli({"action-ranges", "allevent", "1"}).status, 0);
    EXPECT_EQ(RangeFile(), encoded({"198.18.7.1,198.18.7.9", "10.0.0.5,10.0.0.5"}));

    ASSERT_EQ(Cli({"action-ranges", "clear"}).status, 0);
    EXPECT_EQ(Cli({"action-ranges", "list"}).out, "開始アドレス\t終了アドレス\n");
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "ALLEVENT", -1), 1);
}

TEST_F(EventCommandTest, SniffSetsPromissAsTheSniffingDialogDoes) {
    struct Case {
        std::vector<std::string> set;
        int promiss;
        const char* shown;  // any, B47, B16, B8
    };
    // In order: each case starts from what the one before stored.
    const Case cases[] = {
        {{"any"}, 0x87, "any\t1\nB47\t1\nB16\t1\nB8\t1\n"},
        {{"b16"}, 0x02, "any\t0\nB47\t0\nB16\t1\nB8\t0\n"},
        {{"any"}, 0x82, "any\t1\nB47\t0\nB16\t1\nB8\t0\n"},
        {{"B8", "B47", "B8"}, 0x05, "any\t0\nB47\t1\nB16\t0\nB8\t1\n"},
        {{"none"}, 0, "any\t0\nB47\t0\nB16\t0\nB8\t0\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"sniff", "set"};
        arguments.insert(arguments.end(), c.set.begin(), c.set.end());
        const auto result = Cli(arguments);
        const std::string name = testing::PrintToString(c.set);
        EXPECT_EQ(result.status, 0) << name << result.err;
        EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "PROMISS", -1), c.promiss) << name;
        EXPECT_EQ(Cli({"sniff"}).out,
                  "KEY\tVALUE\nPROMISS\t" + std::to_string(c.promiss) + "\n" + c.shown)
            << name;
    }
    // A Gr bit written by hand stays, as the dialog's disabled box keeps it.
    test::WriteBytes(SettingsFilePath(), "[INIT]\r\nPROMISS=9\r\n");
    ASSERT_EQ(Cli({"sniff", "set", "B16"}).status, 0);
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "PROMISS", -1), 0x0A);
}

}  // namespace
}  // namespace halvera
