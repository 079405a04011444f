#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/file_opener.h"
#include "base/ini_file.h"
#include "base/instance_lock.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "cli/cli_session.h"
#include "lists/list_table.h"
#include "store/event_kind.h"
#include "store/log_store.h"
#include "store/node_store.h"
#include "store/settings_files.h"
#include "store/settings_store.h"
#include "support/cli_process.h"
#include "support/earlier_logs.h"
#include "support/file_bytes.h"
#include "support/fixed_clock.h"
#include "support/kelvane_ini.h"
#include "support/mail_registry_file.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using test::RunCli;

constexpr const char* NODE_HEADER =
    "監視\tラベル\tB47\tB16\tB8\tアドレス\tMAC アドレス\tホスト名\tドメイン or "
    "ワークグループ\tベンダー名\t検出日\t更新日\tST\n";

bool Holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(Cli, UsageAndExitStatus) {
    struct Case {
        std::vector<std::string> arguments;
        int status;
        const char* err;  // part of standard error
        const char* out;  // part of standard output
    };
    // None of these gets as far as a program folder.
    const Case cases[] = {
        {{}, 2, "no command given", ""},
        {{"--help"}, 0, "", "usage: halvera-cli [--home DIR] [--quiet] COMMAND"},
        {{"--quiet"}, 2, "no command given", ""},
        {{"--quiet", "search", "now"}, 2, "search takes no arguments", ""},
        {{"--version"}, 0, "", "halvera-cli 1.00 (commit "},
        {{"bogus"}, 2, "unknown command bogus", ""},
        {{"--verbose", "nodes"}, 2, "unknown option --verbose", ""},
        {{"--home"}, 2, "--home needs a folder", ""},
        {{"search", "now"}, 2, "search takes no arguments", ""},
        {{"refresh-node"}, 2, "refresh-node needs one address or name", ""},
        {{"ranges"}, 2, "ranges needs list, add START END, add NETWORK/BITS or clear", ""},
        {{"ranges", "add", "198.18.7.0/33"}, 2, "ranges needs list", ""},
        {{"settings", "show"}, 2, "settings needs nothing, or set KEY VALUE...", ""},
        {{"settings", "set", "TIMEOUT"}, 2, "settings needs nothing, or set KEY VALUE...", ""},
        {{"settings", "set", "ADPNAME", "eth0"}, 2, "settings set has no key ADPNAME", ""},
        {{"settings", "set", "NODEDISP", "2"}, 2, "NODEDISP cannot be 2", ""},
        {{"settings", "set", "NEWTIMEUNIT", "120"}, 2, "NEWTIMEUNIT cannot be 120", ""},
        {{"settings", "set", "ADPNUM", "-1"}, 2, "ADPNUM cannot be -1", ""},
        {{"adapters", "all"}, 2, "adapters takes no arguments", ""},
        {{"options", "set", "MAP"}, 2, "options needs nothing, or set KEY VALUE...", ""},
        {{"options", "set", "TIMEOUT", "100"}, 2, "options set has no key TIMEOUT", ""},
        {{"options", "set", "MAP", "0x1000"}, 2, "MAP cannot be 0x1000", ""},
        {{"options", "set", "ELIST", "0x80"}, 2, "ELIST cannot be 0x80", ""},
        {{"options", "set", "SORT", "0"}, 2, "SORT cannot be 0", ""},
        {{"options", "set", "SCROLL", "yes"}, 2, "SCROLL cannot be yes", ""},
        {{"ranges", "add", "198.18.7.1"}, 2, "ranges needs list", ""},
        {{"ranges", "add", "198.18.7", "198.18.7.9"}, 2, "two dotted IPv4 addresses", ""},
        {{"label", "198.18.7.21"}, 2, "label needs a dotted IPv4 address and a text", ""},
        {{"label", "pc21", "x"}, 2, "label needs a dotted IPv4 address and a text", ""},
        {{"colours", "list"}, 2, "colours needs nothing, set KEY #RRGGBB or scheme light|dark", ""},
        {{"colours", "set", "FCOLOR"}, 2, "colours needs nothing, set KEY #RRGGBB", ""},
        {{"colours", "set", "MAP", "#000000"},
         2,
         "colours set needs one of BCOLOR, BCOLOR2, FCOLOR, NCOLOR, SCOLOR or PCOLOR, not MAP",
         ""},
        {{"colours", "set", "FCOLOR", "#12345"},
         2,
         "colours set needs a colour as #RRGGBB (six hexadecimal digits), not #12345",
         ""},
        {{"colours", "set", "FCOLOR", "red"}, 2, "not red", ""},
        {{"colours", "scheme", "black"}, 2, "colours scheme needs light or dark, not black", ""},
        {{"colours", "scheme"}, 2, "colours needs nothing, set KEY #RRGGBB", ""},
        {{"mail", "show"}, 2, "mail needs nothing, set FIELD VALUE... or test", ""},
        {{"mail", "set", "subject"}, 2, "mail needs nothing, set FIELD VALUE... or test", ""},
        {{"mail", "test", "now"}, 2, "mail needs nothing, set FIELD VALUE... or test", ""},
        {{"mail", "set", "smtp", "x"}, 2, "mail set has no field smtp", ""},
        {{"mail", "set", "pop", "2"}, 2, "pop cannot be 2", ""},
        {{"mail", "set", "security", "3"}, 2, "security cannot be 3", ""},
        {{"mail", "set", "smtpauth", "-1"}, 2, "smtpauth cannot be -1", ""},
        {{"mail", "set", "smtpport", "587x"}, 2, "smtpport cannot be 587x", ""},
        // A line end would end the SMTP command early and start one of its own.
        {{"mail", "set", "adrfrom", "a@example.com\r\nRCPT TO:b@example.com"},
         2,
         "adrfrom cannot hold a control character",
         ""},
        {{"mail", "set", "subject", "tab\there"}, 2, "subject cannot hold a control character", ""},
        {{"--home", "/nonexistent/halvera", "nodes"},
         1,
         "/nonexistent/halvera is not a folder",
         ""},
    };
    for (const auto& c : cases) {
        const auto result = RunCli(c.arguments);
        const std::string name = testing::PrintToString(c.arguments);
        EXPECT_EQ(result.status, c.status) << name << "\n" << result.err;
        EXPECT_TRUE(Holds(result.err, c.err)) << name << "\n" << result.err;
        EXPECT_TRUE(Holds(result.out, c.out)) << name << "\n" << result.out;
        if (c.status == 2) {
            EXPECT_TRUE(Holds(result.err, "usage: halvera-cli")) << name;
        }
    }
}

TEST(Cli, SearchRanges) {
    test::TempProgramFolder folder;
    const std::string home = folder.Path().string();
    EXPECT_EQ(RunCli({"--home", home, "ranges", "add", "198.18.7.1", "198.18.7.254"}).status, 0);
    EXPECT_EQ(RunCli({"--home=" + home, "ranges", "add", "10.0.0.9", "10.0.0.9"}).status, 0);
    // A reversed range is a refused value, as in the search address dialog.
    const auto reversed = RunCli({"--home", home, "ranges", "add", "10.0.0.9", "10.0.0.1"});
    EXPECT_EQ(reversed.status, 2);
    EXPECT_EQ(reversed.err, "アドレス範囲が不正です。\n");
    // A network adds its host addresses, for any prefix length.
    EXPECT_EQ(RunCli({"--home", home, "ranges", "add", "172.16.37.0/20"}).status, 0);

    auto listed = RunCli({"--home", home, "ranges", "list"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out,
              "開始アドレス\t終了アドレス\n198.18.7.1\t198.18.7.254\n10.0.0.9\t10.0.0.9\n"
              "172.16.32.1\t172.16.47.254\n");
    EXPECT_EQ(RunCli({"--home", home, "ranges", "clear"}).status, 0);
    listed = RunCli({"--home", home, "ranges", "list"});
    EXPECT_EQ(listed.out, "開始アドレス\t終了アドレス\n");
}

TEST(Cli, NodesAsTheNodeListShowsThem) {
    test::TempProgramFolder folder;
    {
        test::RecordingPrompt prompt;
        test::RecordingErrorLog log;
        NodeStore nodes(prompt, log);
        ASSERT_EQ(nodes.InitNodeStore(), 0);
        // A written record takes its names from the name book.
        nodes.PutNames(InetAddr("198.18.7.21"), "pc21", "LAB");
        struct Stored {
            const char* ip;
            std::uint32_t monitor;
            std::int8_t status;
            std::uint32_t testBits;
            MacAddress mac;
            const char* label;  // UTF-8
        };
        // PROMISS 7 (the default): bits 7 make a sniffing node.
        const Stored stored[] = {
            {"198.18.7.21", 1, NODE_UP, 0, {2, 0x48, 0x4c, 0x56, 7, 0x15}, "受付\tPC\\1"},
            {"198.18.7.31", 0, NODE_UP, 7, {}, "sniffer"},
            {"198.18.7.41", 1, NODE_DOWN, 3, {2, 0x48, 0x4c, 0x56, 7, 0x29}, "partial"},
        };
        for (const auto& s : stored) {
            NodeRecord record;
            record.ip = InetAddr(s.ip);
            record.monitor = s.monitor;
            record.status = s.status;
            record.testBits = s.testBits;
            record.mac = s.mac;
            record.label = Sjis(s.label);
            record.detected = "2026/12/01 09:00:00";
            record.updated = "2026/12/02 10:00:00";
            ASSERT_EQ(nodes.PutNode(record), PUT_APPENDED);
        }
        nodes.CloseNodeStore();
    }
    const std::string reception =
        "1\t受付\\tPC\\\\1\t\t\t\t198.18.7.21\t02-48-4C-56-07-15\tpc21\tLAB\t\t"
        "2026/12/01 09:00:00\t2026/12/02 10:00:00\t.\n";
    const std::string sniffer =
        "0\tsniffer\t●\t●\t●\t198.18.7.31\t\t\t\t\t2026/12/01 09:00:00\t2026/12/02 "
        "10:00:00\tx\n";
    const std::string partial =
        "1\tpartial\t●\t●\t\t198.18.7.41\t02-48-4C-56-07-29\t\t\t\t2026/12/01 "
        "09:00:00\t2026/12/02 10:00:00\t\n";
    // In the order the program's list has after start-up: the file's, or the first sort's.
    struct Case {
        const char* settings;
        std::string rows;
    };
    const Case cases[] = {
        {"", reception + sniffer + partial},
        {"BSORT=0\r\nSORT=3\r\n", reception + sniffer + partial},
        {"BSORT=1\r\nSORT=3\r\n", partial + sniffer + reception},
        {"BSORT=1\r\nSORT=2\r\n", sniffer + reception + partial},
    };
    for (const auto& c : cases) {
        test::WriteBytes(SettingsFilePath(), std::string("[INIT]\r\nPROMISS=7\r\n") + c.settings);
        const auto listed = RunCli({"--home", folder.Path().string(), "nodes"});
        EXPECT_EQ(listed.status, 0) << listed.err;
        EXPECT_EQ(listed.out, std::string(NODE_HEADER) + c.rows) << c.settings;
    }
}

TEST(Cli, EventsAsTheEventLogShowsThem) {
    test::TempProgramFolder folder;
    {
        test::FixedClock clock(2026, 12, 10, 8, 5, 3);
        test::ScopedClock scoped(clock);
        test::WriteEarlierLogs([](LogStore& logs) {
            NodeRecord node;
            node.ip = InetAddr("198.18.7.31");
            node.host = "sniffer";
            const std::string message = Sjis("198.18.7.31 を検出");
            logs.WriteEventLog(node, message, EVENT_NEW_NODE);
            logs.WriteEventLog(node, message, EVENT_SNIFFING_NODE);
        });
    }
    const auto listed = RunCli({"--home", folder.Path().string(), "events"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out,
              "イベント\t日付 時間\tアドレス\tホスト名\t情報\n"
              "新規ノード検出\t2026/12/10 08:05:03\t198.18.7.31\tsniffer\t198.18.7.31 を検出\n"
              "盗聴ノード検出\t2026/12/10 08:05:03\t198.18.7.31\tsniffer\t198.18.7.31 を検出\n");
}

TEST(Cli, ExportWritesTheProgramsBytesToAFileOrStandardOutput) {
    test::TempProgramFolder folder;
    test::WriteEarlierLogs([](LogStore& logs) {
        NodeRecord node;
        node.ip = InetAddr("198.18.7.31");
        logs.WriteEventLog(node, "<b>\"x\"</b>", EVENT_DEVICE_CHANGE);
        logs.WriteErrorLog("netmond", "Create Socket Error");
    });
    // The line of the export time differs between two runs.
    const auto withoutTime = [](std::string text) {
        const std::size_t start = text.find("2026/");
        return start == std::string::npos ? text : text.erase(start, 19);
    };
    struct Case {
        const char* format;
        const char* list;
        std::string holds;  // CP932
    };
    const Case cases[] = {
        {"csv", "events", "\"198.18.7.31\",\"\",\"<b>\"\"x\"\"</b>\",\r\n"},
        {"html", "events",
         "<td><font color=\"#000000\">&lt;b&gt;&quot;x&quot;&lt;/b&gt;</font></td>"},
        {"csv", "errors", "\"netmond\","},
        {"html", "nodes", "<title>Halvera - v1.00</title>\r\n"},
    };
    for (const auto& c : cases) {
        const auto printed = RunCli({"--home", folder.Path().string(), "export", c.format, c.list});
        EXPECT_EQ(printed.status, 0) << printed.err;
        EXPECT_EQ(printed.err, "") << c.format << " " << c.list;
        EXPECT_NE(printed.out.find(c.holds), std::string::npos) << printed.out;
        const auto file = folder.Path() / "out";
        const auto written =
            RunCli({"--home", folder.Path().string(), "export", c.format, c.list, file.string()});
        EXPECT_EQ(written.status, 0) << written.err;
        EXPECT_EQ(withoutTime(test::ReadBytes(file)), withoutTime(printed.out));
    }

    // Standard error says where and why, also for the error log's own export.
    for (const char* list : {"nodes", "errors"}) {
        const auto target = folder.Path() / "missing" / "out.csv";
        const auto failed =
            RunCli({"--home", folder.Path().string(), "export", "csv", list, target.string()});
        EXPECT_EQ(failed.status, 1) << list;
        EXPECT_TRUE(Holds(failed.err, "CSV File Open Error。")) << failed.err;
        EXPECT_TRUE(Holds(
            failed.err, "CSV File Open Error: " + target.string() + ": No such file or directory"))
            << failed.err;
    }
    const auto bad = RunCli({"--home", folder.Path().string(), "export", "pdf", "nodes"});
    EXPECT_EQ(bad.status, 2);
}

TEST(Cli, LabelSetsANodesLabelWithTheChecksOfTheLabelEditor) {
    test::TempProgramFolder folder;
    {
        test::RecordingPrompt prompt;
        test::RecordingErrorLog log;
        NodeStore nodes(prompt, log);
        ASSERT_EQ(nodes.InitNodeStore(), 0);
        NodeRecord record;
        record.ip = InetAddr("198.18.7.21");
        record.label = "reception desk";
        ASSERT_EQ(nodes.PutNode(record), PUT_APPENDED);
        nodes.CloseNodeStore();
    }
    const std::string home = folder.Path().string();
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int status;
        const char* err;    // standard error
        const char* label;  // the node's label afterwards (UTF-8)
    };
    // In order: each case starts from the label the one before left.
    const Case cases[] = {
        {"a shorter label", {"198.18.7.21", "pc21"}, 0, "", "pc21"},
        {"36 bytes",
         {"198.18.7.21", "受付受付受付受付受付受付受付受付受付"},
         0,
         "",
         "受付受付受付受付受付受付受付受付受付"},
        {"37 bytes",
         {"198.18.7.21", "受付受付受付受付受付受付受付受付受付x"},
         1,
         "サイズが不正です。(36Byteまで)\n",
         "受付受付受付受付受付受付受付受付受付"},
        {"a comma",
         {"198.18.7.21", "pc,21"},
         1,
         "設定値に , を使用することはできません。\n",
         "受付受付受付受付受付受付受付受付受付"},
        {"a line break would cut the label",
         {"198.18.7.21", "line1\r\nline2"},
         1,
         "設定値に制御文字を使用することはできません。\n",
         "受付受付受付受付受付受付受付受付受付"},
        {"ESC would switch a mail to kanji",
         {"198.18.7.21", "x\x1b(Jy\x1b$B"},
         1,
         "設定値に制御文字を使用することはできません。\n",
         "受付受付受付受付受付受付受付受付受付"},
        {"not CP932",
         {"198.18.7.21", "pc🙂"},
         1,
         "設定値に Shift_JIS で表せない文字を使用することはできません。\n",
         "受付受付受付受付受付受付受付受付受付"},
        {"a node that is not listed",
         {"198.18.7.99", "pc99"},
         1,
         "halvera-cli: 198.18.7.99 is not in the node list\n",
         "受付受付受付受付受付受付受付受付受付"},
        {"empty clears the label", {"198.18.7.21", ""}, 0, "", ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"--home", home, "label"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const auto result = RunCli(arguments);
        EXPECT_EQ(result.status, c.status) << c.name << "\n" << result.err;
        EXPECT_EQ(result.err, c.err) << c.name;
        const auto listed = RunCli({"--home", home, "nodes"});
        EXPECT_TRUE(Holds(listed.out, "\n0\t" + std::string(c.label) + "\t\t\t\t198.18.7.21\t"))
            << c.name << "\n"
            << listed.out;
    }
}

TEST(Cli, ColoursAreShownAndSetAsTheColourDialogSetsThem) {
    test::TempProgramFolder folder;
    const std::string home = folder.Path().string();
    const std::filesystem::path ini = folder.Path() / "Kelvane.ini";
    auto listed = RunCli({"--home", home, "colours"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out,
              "キー\t色\nBCOLOR\t#FFFFFF\nBCOLOR2\t#E0E0E0\nFCOLOR\t#000000\nNCOLOR\t#C0C0C0\n"
              "SCOLOR\t#FF0000\nPCOLOR\t#0000FF\n");

    auto result = RunCli({"--home", home, "colours", "scheme", "dark"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::ReadBytes(ini), test::KelvaneIniWithColours(test::DARK_SCHEME_LINES));

    // One colour, red first on the command line, 0x00BBGGRR in the file.
    result = RunCli({"--home", home, "colours", "set", "ncolor", "#12a4Fe"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::ReadBytes(ini),
              test::KelvaneIniWithColours("BCOLOR=0\r\nBCOLOR2=2105376\r\nFCOLOR=12632256\r\n"
                                          "SCOLOR=255\r\nPCOLOR=16711680\r\nNCOLOR=16688146\r\n"));
    listed = RunCli({"--home", home, "colours"});
    EXPECT_EQ(listed.out,
              "キー\t色\nBCOLOR\t#000000\nBCOLOR2\t#202020\nFCOLOR\t#C0C0C0\nNCOLOR\t#12A4FE\n"
              "SCOLOR\t#FF0000\nPCOLOR\t#0000FF\n");

    // A refused colour stores nothing.
    const std::string before = test::ReadBytes(ini);
    result = RunCli({"--home", home, "colours", "set", "BCOLOR", "#FFFFF"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(test::ReadBytes(ini), before);

    result = RunCli({"--home", home, "colours", "scheme", "light"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::ReadBytes(ini),
              test::KelvaneIniWithColours("BCOLOR=16777215\r\nBCOLOR2=14737632\r\nFCOLOR=0\r\n"
                                          "SCOLOR=255\r\nPCOLOR=16711680\r\nNCOLOR=12632256\r\n"));
}

TEST(Cli, SettingsWithTheChecksOfTheSearchSettingsDialog) {
    test::TempProgramFolder folder;
    const std::string home = folder.Path().string();
    struct Case {
        const char* name;
        std::vector<std::string> set;  // KEY VALUE...
        int status;
        const char* err;
        const char* shown;  // part of the settings printed afterwards
    };
    // In order: each case starts from the settings the one before left.
    const Case cases[] = {
        {"2 hours",
         {"NEWTIME", "2", "NEWTIMEUNIT", "3600"},
         0,
         "",
         "NEWTIME\t2\nNEWTIMEUNIT\t3600\n"},
        {"time-out 0",
         {"TIMEOUT", "0"},
         2,
         "タイムアウト値が不正です。(1～60000msec)\n",
         "TIMEOUT\t100\n"},
        {"time-out 60001",
         {"TIMEOUT", "60001"},
         2,
         "タイムアウト値が不正です。(1～60000msec)\n",
         "TIMEOUT\t100\n"},
        {"time-out 1", {"TIMEOUT", "1"}, 0, "", "TIMEOUT\t1\n"},
        {"time-out 60000", {"TIMEOUT", "60000"}, 0, "", "TIMEOUT\t60000\n"},
        // One refused value stores none of the others.
        {"retry 101 with polling off",
         {"LOOKENABLE", "0", "RETRY", "101"},
         2,
         "再送回数が不正です。(0～100回)\n",
         "LOOKENABLE\t1\n"},
        {"retry -1", {"RETRY", "-1"}, 2, "再送回数が不正です。(0～100回)\n", "RETRY\t3\n"},
        {"retry 100, stopped nodes leave",
         {"RETRY", "100", "NODEDISP", "1"},
         0,
         "",
         "NODEDISP\t1\nTIMEOUT\t60000\nRETRY\t100\n"},
        {"send rate 0",
         {"SENDRATE", "0"},
         2,
         "送信レートが不正です。(1～100000フレーム/秒)\n",
         "SENDRATE\t1000\n"},
        {"a gentle send rate", {"SENDRATE", "5"}, 0, "", "RETRY\t100\nSENDRATE\t5\n"},
        {"an interval too long",
         {"LOOKTIME", "30000", "LOOKTIMEUNIT", "86400"},
         2,
         "ポーリング間隔が不正です。\n",
         "LOOKTIME\t10\nLOOKTIMEUNIT\t60\n"},
        {"an adapter that is not there",
         {"ADPNUM", "999"},
         2,
         "ネットワークアダプタが不正です。\n",
         "ADPNUM\t0\n"},
    };
    for (const auto& c : cases) {
        const std::string before = test::ReadBytes(SettingsFilePath());
        std::vector<std::string> arguments = {"--home", home, "settings", "set"};
        arguments.insert(arguments.end(), c.set.begin(), c.set.end());
        const auto result = RunCli(arguments);
        EXPECT_EQ(result.status, c.status) << c.name << "\n" << result.err;
        EXPECT_EQ(result.err, c.err) << c.name;
        if (c.status != 0) {
            EXPECT_EQ(test::ReadBytes(SettingsFilePath()), before) << c.name;
        }
        const auto shown = RunCli({"--home", home, "settings"});
        EXPECT_EQ(shown.status, 0);
        EXPECT_TRUE(shown.out.starts_with("KEY\tVALUE\nADPNUM\t")) << shown.out;
        EXPECT_TRUE(Holds(shown.out, c.shown)) << c.name << "\n" << shown.out;
    }
    const std::string ini = test::ReadBytes(SettingsFilePath());
    EXPECT_TRUE(Holds(ini, "\r\nNEWTIME=7200\r\n")) << ini;
    EXPECT_TRUE(Holds(ini, "\r\nNEWTIMEUNIT=3600\r\n")) << ini;
}

TEST(Cli, OptionsWithTheChecksOfTheOptionsDialog) {
    test::TempProgramFolder folder;
    const std::string home = folder.Path().string();
    const std::string rowsMessage = "イベントリスト表示数を1～65535以内で指定してください。\n";
    struct Case {
        const char* name;
        std::vector<std::string> set;  // KEY VALUE...
        int status;
        std::string err;
        const char* shown;  // part of the options printed afterwards
    };
    // In order: each case starts from the options the one before left.
    const Case cases[] = {
        {"rows 0", {"ELISTMAX", "0"}, 2, rowsMessage, "ELISTMAX\t100\n"},
        {"rows 65536", {"ELISTMAX", "65536"}, 2, rowsMessage, "ELISTMAX\t100\n"},
        // A refused row count stores none of the others, the columns included.
        {"columns with rows x",
         {"MAP", "0xFFE", "BSORT", "1", "ELISTMAX", "x"},
         2,
         rowsMessage,
         "MAP\t4095\nELIST\t74\nELISTMAX\t100\nSCROLL\t1\nBSORT\t0\n"},
        {"rows 1", {"ELISTMAX", "1"}, 0, "", "ELISTMAX\t1\n"},
        {"everything",
         {"MAP", "0xFFE", "ELIST", "0x40", "ELISTMAX", "65535", "SCROLL", "0", "BSORT", "1", "SORT",
          "4", "BPOLING", "1"},
         0,
         "",
         "MAP\t4094\nELIST\t64\nELISTMAX\t65535\nSCROLL\t0\nBSORT\t1\nSORT\t4\n"
         "BPOLING\t1\n"},
    };
    for (const auto& c : cases) {
        const std::string before =
            std::filesystem::exists(SettingsFilePath()) ? test::ReadBytes(SettingsFilePath()) : "";
        std::vector<std::string> arguments = {"--home", home, "options", "set"};
        arguments.insert(arguments.end(), c.set.begin(), c.set.end());
        const auto result = RunCli(arguments);
        EXPECT_EQ(result.status, c.status) << c.name << "\n" << result.err;
        EXPECT_EQ(result.err, c.err) << c.name;
        if (c.status != 0) {
            const std::string after = std::filesystem::exists(SettingsFilePath())
                                          ? test::ReadBytes(SettingsFilePath())
                                          : "";
            EXPECT_EQ(after, before) << c.name;
        }
        const auto shown = RunCli({"--home", home, "options"});
        EXPECT_EQ(shown.status, 0);
        EXPECT_TRUE(shown.out.starts_with("KEY\tVALUE\nMAP\t")) << shown.out;
        EXPECT_TRUE(Holds(shown.out, c.shown)) << c.name << "\n" << shown.out;
    }
    const std::string ini = test::ReadBytes(SettingsFilePath());
    EXPECT_TRUE(Holds(ini,
                      "\r\nMAP=4094\r\nELIST=64\r\nELISTMAX=65535\r\nBSORT=1\r\nSORT=4\r\n"
                      "BPOLING=1\r\n"))
        << ini;
    EXPECT_TRUE(Holds(ini, "\r\nSCROLL=0\r\n")) << ini;
}

TEST(Cli, AnUnopenableNodeFileFailsAtOnceWithItsMessage) {
    test::TempProgramFolder folder;
    std::vector<long> waits;
    SetRetryWait([&](std::chrono::milliseconds wait) { waits.push_back(wait.count()); });
    std::filesystem::create_directories(DbFolder() / "NetDB.na" / "x");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    int status = 0;
    {
        Console console(out, err);
        TerminationSignals signals;
        CliSession session(console, signals);
        status = session.Run(ParseCliOptions({"nodes"}));
    }
    SetRetryWait(nullptr);
    std::string said(4096, '\0');
    std::rewind(err);
    said.resize(std::fread(said.data(), 1, said.size(), err));
    std::fclose(out);
    std::fclose(err);
    EXPECT_EQ(status, 1);
    // A folder in the node file's place stays until someone removes it: no wait before the
    // message and the error log line.
    EXPECT_TRUE(waits.empty());
    EXPECT_TRUE(Holds(said, "NetDB Open Error")) << said;
    EXPECT_TRUE(Holds(said, "could not be opened")) << said;
}

TEST(Cli, EachTerminationSignalIsTakenOnce) {
    TerminationSignals signals;
    EXPECT_FALSE(signals.WaitFor(std::chrono::milliseconds(1)));
    raise(SIGTERM);
    EXPECT_TRUE(signals.WaitFor(std::chrono::milliseconds(1000)));
    EXPECT_EQ(signals.Count(), 1);
    // Taken: waiting again waits for the next one instead of answering at once.
    EXPECT_FALSE(signals.WaitFor(std::chrono::milliseconds(20)));
    raise(SIGINT);
    EXPECT_TRUE(signals.WaitFor(std::chrono::milliseconds(1000)));
    EXPECT_EQ(signals.Count(), 2);
    EXPECT_EQ(signals.Received(), SIGTERM);
}

TEST(Cli, AdaptersAreListedWithTheirAdpnum) {
    test::TempProgramFolder folder;
    const auto result = RunCli({"--home", folder.Path().string(), "adapters"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(
        result.out.starts_with("ADPNUM\tネットワークアダプタ\tアドレス\tサブネットマスク\n"))
        << result.out;
}

TEST(Cli, ExportColumnsAreShownAndSetAsTheOutputSettingsSetThem) {
    test::TempProgramFolder folder;
    const std::string home = folder.Path().string();
    const auto shown = RunCli({"--home", home, "export", "columns"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_TRUE(shown.out.starts_with("列\tPRINT\t出力\n監視\t0x1\t0\nラベル\t0x2\t1\n"))
        << shown.out;
    EXPECT_TRUE(Holds(shown.out, "ホスト名\t0x800\t1\n")) << shown.out;

    // Refused masks store nothing: bits of no column's box, and what is no number.
    for (const char* mask : {"0x80", "0x4000", "-1", "0x", "12a"}) {
        const auto refused = RunCli({"--home", home, "export", "columns", mask});
        EXPECT_EQ(refused.status, 2) << mask;
        EXPECT_FALSE(std::filesystem::exists(SettingsFilePath())) << mask;
    }

    const auto set = RunCli({"--home", home, "export", "columns", "0x41"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "PRINT", -1), 0x41);
    const auto csv = RunCli({"--home", home, "export", "csv", "nodes"});
    EXPECT_TRUE(
        Holds(csv.out, "\r\n\r\n\"" + Sjis("監視") + "\",\"" + Sjis("アドレス") + "\",\r\n"))
        << csv.out;

    // Bits that no box shows stay as the file has them, as the dialog leaves them.
    struct Kept {
        const char* name;
        const char* before;  // PRINT in the file
        const char* mask;
        int after;
    };
    const Kept kept[] = {
        {"0x80, every column", "16382", "16254", 16382},
        {"0x80 and bits above the columns, no column", "49407", "0", 0xC080},
        {"only the columns' bits change", "49407", "0x2001", 0xE081},
    };
    for (const Kept& c : kept) {
        ASSERT_TRUE(WriteIniString(SettingsFilePath(), "INIT", "PRINT", c.before)) << c.name;
        const auto result = RunCli({"--home", home, "export", "columns", c.mask});
        EXPECT_EQ(result.status, 0) << c.name << ": " << result.err;
        EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "PRINT", -1), c.after) << c.name;
    }
}

TEST(Cli, MailSettingsWithTheChecksOfTheMailSettingsDialog) {
    test::TempProgramFolder folder;
    const std::string home = folder.Path().string();
    std::filesystem::remove(test::CliRegistryPath());
    struct Case {
        const char* name;
        std::vector<std::string> set;  // FIELD VALUE...
        int status;
        const char* err;
        const char* shown;  // part of the mail settings printed afterwards
    };
    const std::string japanese65 = [] {
        std::string text;
        for (int i = 0; i < 65; ++i) {
            text += "件";
        }
        return text;
    }();
    // In order: each case starts from the settings the one before left.
    const Case cases[] = {
        {"everything",
         {"smtpserver", "smtp.example.com", "adrfrom", "halvera@example.com", "ADRTO1",
          "admin@example.com", "pop", "1", "popserver", "pop.example.com", "userid", "alice",
          "passward", "secret", "subject", "Halvera 検出"},
         0,
         "",
         "KEY\tVALUE\nsmtpserver\tsmtp.example.com\nadrfrom\thalvera@example.com\n"
         "adrto1\tadmin@example.com\nadrto2\t\nadrto3\t\npop\t1\npopserver\tpop.example.com\n"
         "userid\talice\npassward\t********\nsubject\tHalvera 検出\n"},
        {"a 37-byte SMTP server",
         {"smtpserver", std::string(37, 's')},
         2,
         "smtpサーバーのデータサイズが不正です。(36Byteまで)\n",
         "smtpserver\tsmtp.example.com\n"},
        // Refused, so the first recipient stays although its field passed.
        {"recipient 1 cleared and a recipient 3 of 130 bytes",
         {"adrto1", "", "adrto3", std::string(130, 'r')},
         2,
         "メールアドレス（送信先３）のデータサイズが不正です。(128Byteまで)\n",
         "adrto1\tadmin@example.com\nadrto2\t\nadrto3\t\n"},
        {"a subject of 130 bytes in CP932",
         {"subject", japanese65},
         2,
         "件名のデータサイズが不正です。(128Byteまで)\n",
         "subject\tHalvera 検出\n"},
        {"a password of 37 bytes",
         {"passward", std::string(37, 'p')},
         2,
         "パスワードのデータサイズが不正です。(36Byteまで)\n",
         "passward\t********\n"},
        {"a character CP932 lacks",
         {"userid",
          "b\xF0\x9F\x98\x80"
          "b"},
         2,
         "halvera-cli: userid holds a character that CP932 cannot express\n",
         "userid\talice\n"},
        // OK needs no POP server, even with POP authentication on.
        {"POP server cleared", {"popserver", ""}, 0, "", "pop\t1\npopserver\t\n"},
        {"POP off, recipient 2 only",
         {"pop", "0", "adrto1", "", "adrto2", "ops@example.com"},
         0,
         "",
         "adrto1\t\nadrto2\tops@example.com\nadrto3\t\npop\t0\n"},
        {"submission with STARTTLS and AUTH LOGIN",
         {"smtpport", "587", "security", "1", "smtpauth", "2", "authuser", "alice@example.com",
          "authpass", "s3cret"},
         0,
         "",
         "subject\tHalvera 検出\nsmtpport\t587\nsecurity\t1\nsmtpauth\t2\n"
         "authuser\talice@example.com\nauthpass\t********\n"},
        {"port 0",
         {"smtpport", "0"},
         2,
         "SMTPポート番号は1～65535の範囲で設定してください。\n",
         "smtpport\t587\n"},
        {"port 65536",
         {"smtpport", "65536"},
         2,
         "SMTPポート番号は1～65535の範囲で設定してください。\n",
         "smtpport\t587\n"},
        {"an authentication user of 129 bytes",
         {"authuser", std::string(129, 'u')},
         2,
         "認証ユーザー名のデータサイズが不正です。(128Byteまで)\n",
         "authuser\talice@example.com\n"},
    };
    for (const auto& c : cases) {
        const std::string before = test::ReadBytes(test::CliRegistryPath());
        std::vector<std::string> arguments = {"--home", home, "mail", "set"};
        arguments.insert(arguments.end(), c.set.begin(), c.set.end());
        const auto result = RunCli(arguments);
        EXPECT_EQ(result.status, c.status) << c.name << "\n" << result.err;
        EXPECT_EQ(result.err, c.err) << c.name;
        if (c.status != 0) {
            EXPECT_EQ(test::ReadBytes(test::CliRegistryPath()), before) << c.name;
        }
        const auto shown = RunCli({"--home", home, "mail"});
        EXPECT_EQ(shown.status, 0);
        EXPECT_TRUE(Holds(shown.out, c.shown)) << c.name << "\n" << shown.out;
    }
    EXPECT_EQ(
        test::ReadBytes(test::CliRegistryPath()),
        test::MailRegistryFile({"smtp.example.com", "halvera@example.com", "", "ops@example.com",
                                "", "", "alice", "secret", Sjis("Halvera 検出")},
                               0, test::SubmissionConnection()));
    // The program reads the registry only beside a settings file: the first mail set wrote
    // one with the defaults.
    EXPECT_EQ(test::ReadBytes(SettingsFilePath()),
              test::KelvaneIniWithColours(test::LIGHT_SCHEME_LINES));
}

// Whether something on this machine accepts connections on the loopback port.
bool LoopbackPortAnswers(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool answers = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answers;
}

TEST(Cli, MailTestChecksTheSettingsAsTheTestSendDoesAndReportsTheSendsFailure) {
    test::TempProgramFolder folder;
    const std::string home = folder.Path().string();
    std::filesystem::remove(test::CliRegistryPath());
    ASSERT_EQ(RunCli({"--home", home, "mail", "set", "smtpserver", "127.0.0.1", "adrfrom",
                      "halvera@example.com", "pop", "1", "popserver", ""})
                  .status,
              0);
    struct Case {
        std::vector<std::string> set;
        const char* err;
    };
    // Each case mends the refusal of the one before.
    const Case cases[] = {
        {{}, "メールアドレス（送信先）を設定してください。\n"},
        {{"adrto3", "night@example.com"}, "POPサーバーを設定してください。\n"},
        {{"pop", "0", "adrfrom", ""}, "メールアドレス（送信元）を設定してください。\n"},
    };
    for (const auto& c : cases) {
        if (!c.set.empty()) {
            std::vector<std::string> arguments = {"--home", home, "mail", "set"};
            arguments.insert(arguments.end(), c.set.begin(), c.set.end());
            ASSERT_EQ(RunCli(arguments).status, 0);
        }
        const std::string registry = test::ReadBytes(test::CliRegistryPath());
        const auto refused = RunCli({"--home", home, "mail", "test"});
        EXPECT_EQ(refused.status, 2) << c.err;
        EXPECT_EQ(refused.err, c.err);
        EXPECT_EQ(test::ReadBytes(test::CliRegistryPath()), registry) << c.err;
    }

    if (LoopbackPortAnswers(25)) {
        GTEST_SKIP() << "something listens on the loopback's SMTP port";
    }
    ASSERT_EQ(RunCli({"--home", home, "mail", "set", "adrfrom", "halvera@example.com"}).status, 0);
    const auto failed = RunCli({"--home", home, "mail", "test"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_TRUE(failed.err.starts_with(
        "SMTPサーバーに接続できませんでした。\nSMTPサーバーアドレス、または、DNSサーバーの"
        "設定を確認してください\n"))
        << failed.err;
    EXPECT_TRUE(Holds(failed.err, "halvera-cli: error log: maild\t")) << failed.err;
    EXPECT_TRUE(Holds(failed.err, "\tSMTPサーバーに接続できませんでした\n")) << failed.err;
}

TEST(Cli, RefusesAFolderInUse) {
    test::TempProgramFolder folder;
    InstanceLock held;
    ASSERT_TRUE(held.Acquire(folder.Path()));
    for (const char* command : {"nodes", "search", "monitor"}) {
        const auto result = RunCli({"--home", folder.Path().string(), command});
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_TRUE(Holds(result.err, "another Halvera process (pid " + std::to_string(getpid()) +
                                          ") is using the data folder"))
            << result.err;
        EXPECT_EQ(result.out, "") << command;
    }
}

}  // namespace
}  // namespace halvera
