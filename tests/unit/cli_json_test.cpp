#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "base/text_codec.h"
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
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

// Every listing of halvera-cli printed both ways from the same data folder: the JSON document
// read back by the JSON library holds, field by field, what the tab-separated form shows.
namespace halvera {
namespace {

using test::RunCli;
using Json = nlohmann::ordered_json;

// A TSV line's cells with \t, \r, \n and \\ read back.
std::vector<std::string> TsvCells(const std::string& line) {
    std::vector<std::string> cells(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\t') {
            cells.emplace_back();
        } else if (line[i] == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            cells.back() += next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : next;
        } else {
            cells.back() += line[i];
        }
    }
    return cells;
}

std::vector<std::vector<std::string>> TsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        rows.push_back(TsvCells(line));
    }
    return rows;
}

// What the TSV form shows for a JSON value of this field, or a note of what is wrong with
// the value's shape.
std::string Shown(const std::string& key, const Json& value) {
    if (value.is_null()) {
        return "";
    }
    if (value.is_boolean()) {
        const bool marks = key == "b47" || key == "b16" || key == "b8";
        return value.get<bool>() ? (marks ? "●" : "1") : (marks ? "" : "0");
    }
    if (value.is_number_integer()) {
        return key == "print" ? "0x" +
                                    [&] {
                                        std::ostringstream hex;
                                        hex << std::uppercase << std::hex << value.get<long>();
                                        return hex.str();
                                    }()
                              : std::to_string(value.get<long>());
    }
    if (value.is_object()) {
        // An event kind: its number names the same kind as its name.
        const int number = value.at("number").get<int>();
        const std::string name = value.at("name").get<std::string>();
        return name == Cp932ToUtf8Lossy(EventKindText(number)) ? name : "kind " + value.dump();
    }
    const std::string text = value.get<std::string>();
    std::smatch parts;
    if (key == "detected" || key == "updated" || key == "time") {
        // The test runs in a zone nine hours east of UTC.
        static const std::regex iso(R"((\d{4})-(\d\d)-(\d\d)T(\d\d:\d\d:\d\d)\+09:00)");
        return std::regex_match(text, parts, iso) ? parts[1].str() + "/" + parts[2].str() + "/" +
                                                        parts[3].str() + " " + parts[4].str()
                                                  : "time " + text;
    }
    if (key == "mac") {
        static const std::regex mac(R"([0-9a-f]{2}(:[0-9a-f]{2}){5})");
        std::string shown = text;
        for (char& c : shown) {
            c = c == ':' ? '-' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return std::regex_match(text, mac) ? shown : "mac " + text;
    }
    if (key == "status") {
        return text == "up"         ? "."
               : text == "sniffing" ? "x"
               : text == "down"     ? ""
                                    : "status " + text;
    }
    return text;
}

// Nodes, logs, ranges, event settings and mail settings in the current program folder.
void WriteFixture(const std::string& home) {
    // Every key at its default but SCROLL, so that no run adds an error log line.
    std::string ini = test::KelvaneIniWithColours(test::LIGHT_SCHEME_LINES);
    ini.replace(ini.find("SCROLL=1"), 8, "SCROLL=0");
    test::WriteBytes(SettingsFilePath(), ini);
    {
        test::RecordingPrompt prompt;
        test::RecordingErrorLog log;
        NodeStore nodes(prompt, log);
        ASSERT_EQ(nodes.InitNodeStore(), 0);
        nodes.PutNames(InetAddr("198.18.7.21"), "pc21", "LAB");
        NodeRecord up;
        up.ip = InetAddr("198.18.7.21");
        up.monitor = 1;
        up.status = NODE_UP;
        up.mac = {2, 0x48, 0x4c, 0x56, 7, 0xa5};
        up.label = Sjis("受付\tPC\\1");
        up.detected = "2026/12/01 09:00:00";
        up.updated = "2026/12/02 10:00:00";
        ASSERT_EQ(nodes.PutNode(up), PUT_APPENDED);
        NodeRecord sniffer = up;
        sniffer.ip = InetAddr("198.18.7.31");
        sniffer.monitor = 0;
        sniffer.testBits = 7;
        sniffer.mac = {};
        sniffer.label = "sniffer";
        ASSERT_EQ(nodes.PutNode(sniffer), PUT_APPENDED);
        NodeRecord down = up;
        down.ip = InetAddr("198.18.7.41");
        down.status = NODE_DOWN;
        down.testBits = 3;
        down.label = "";
        ASSERT_EQ(nodes.PutNode(down), PUT_APPENDED);
        nodes.CloseNodeStore();
    }
    {
        test::FixedClock clock(2026, 12, 10, 8, 5, 3);
        test::ScopedClock scoped(clock);
        test::WriteEarlierLogs([](LogStore& logs) {
            NodeRecord node;
            node.ip = InetAddr("198.18.7.31");
            node.host = "sniffer";
            logs.WriteEventLog(node, Sjis("198.18.7.31 を検出"), EVENT_SNIFFING_NODE);
            logs.WriteEventLog(node, "a\\b", EVENT_IP_CHANGE);
            logs.WriteErrorLog("netmond", "Create Socket Error");
        });
    }
    const std::vector<std::vector<std::string>> commands = {
        {"ranges", "add", "198.18.7.1", "198.18.7.254"},
        {"ranges", "add", "10.0.0.9", "10.0.0.9"},
        {"action-ranges", "add", "198.18.7.0/28"},
        {"event", "set", "3", "enabled", "1", "message", "%IP 盗聴", "beep", "1"},
        {"mail", "set", "smtpserver", "smtp.example.com", "passward", "secret", "smtpport", "587"},
    };
    for (const auto& command : commands) {
        std::vector<std::string> arguments = {"--home", home};
        arguments.insert(arguments.end(), command.begin(), command.end());
        const auto result = RunCli(arguments);
        ASSERT_EQ(result.status, 0) << testing::PrintToString(command) << result.err;
    }
}

TEST(CliJson, EachListingHoldsWhatItsTsvShowsFieldByField) {
    test::TempProgramFolder folder;
    const std::string home = folder.Path().string();
    std::filesystem::remove(test::CliRegistryPath());
    // Times carry the zone's offset; one east of UTC shows that it is the local one.
    const char* const zone = std::getenv("TZ");
    const std::string savedZone = zone != nullptr ? zone : "";
    setenv("TZ", "JST-9", 1);
    WriteFixture(home);
    struct Case {
        std::vector<std::string> command;
        // A table's field names in the order of the TSV columns; none for named values, whose
        // names are the TSV's KEY column.
        std::vector<std::string> fields;
        std::size_t rows;  // rows of the listing (named values: values)
    };
    const Case cases[] = {
        {{"nodes"},
         {"monitored", "label", "b47", "b16", "b8", "address", "mac", "host", "domain", "vendor",
          "detected", "updated", "status"},
         3},
        {{"events"}, {"kind", "time", "address", "host", "information"}, 2},
        {{"errors"}, {"action", "time", "information"}, 1},
        {{"ranges", "list"}, {"start", "end"}, 2},
        {{"action-ranges", "list"}, {"start", "end"}, 1},
        {{"adapters"}, {"adpnum", "name", "address", "mask"}, 0},
        {{"colours"}, {"key", "colour"}, 6},
        {{"export", "columns"}, {"column", "print", "exported"}, 12},
        {{"event"},
         {"kind", "name", "enabled", "screen", "log", "message", "popup", "file", "mail", "beep",
          "sound"},
         EVENT_KIND_COUNT},
        {{"settings"}, {}, 12},
        {{"options"}, {}, 7},
        {{"mail"}, {}, 15},
        {{"sniff"}, {}, 5},
        {{"action-ranges", "allevent"}, {}, 1},
    };
    for (const Case& c : cases) {
        const std::string name = testing::PrintToString(c.command);
        std::vector<std::string> arguments = {"--home", home};
        arguments.insert(arguments.end(), c.command.begin(), c.command.end());
        const auto tsv = RunCli(arguments);
        arguments.insert(arguments.begin(), "--json");
        const auto json = RunCli(arguments);
        ASSERT_EQ(tsv.status, 0) << name << tsv.err;
        ASSERT_EQ(json.status, 0) << name << json.err;
        const auto rows = TsvRows(tsv.out);
        const Json document = Json::parse(json.out);
        ASSERT_FALSE(rows.empty()) << name;
        if (c.fields.empty()) {
            // KEY and VALUE rows: one object, its names in the rows' order.
            ASSERT_TRUE(document.is_object()) << name << json.out;
            ASSERT_EQ(document.size(), rows.size() - 1) << name;
            EXPECT_EQ(document.size(), c.rows) << name;
            std::size_t i = 1;
            for (const auto& [key, value] : document.items()) {
                EXPECT_EQ(key, rows[i][0]) << name;
                EXPECT_EQ(Shown(key, value), rows[i][1]) << name << " " << key;
                ++i;
            }
            continue;
        }
        ASSERT_TRUE(document.is_array()) << name << json.out;
        ASSERT_EQ(document.size(), rows.size() - 1) << name;
        if (c.rows > 0) {
            EXPECT_EQ(document.size(), c.rows) << name;
        }
        for (std::size_t row = 0; row < document.size(); ++row) {
            const Json& object = document[row];
            ASSERT_EQ(object.size(), c.fields.size()) << name << object.dump();
            ASSERT_EQ(rows[row + 1].size(), c.fields.size()) << name;
            for (std::size_t field = 0; field < c.fields.size(); ++field) {
                const std::string& key = c.fields[field];
                ASSERT_TRUE(object.contains(key)) << name << " " << key;
                EXPECT_EQ(Shown(key, object[key]), rows[row + 1][field])
                    << name << " row " << row << " " << key << " " << object[key].dump();
            }
        }
    }
    if (zone != nullptr) {
        setenv("TZ", savedZone.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
}

TEST(CliJson, TypesThatTheTextCannotShow) {
    test::TempProgramFolder folder;
    const std::string home = folder.Path().string();
    std::filesystem::remove(test::CliRegistryPath());
    WriteFixture(home);
    const auto json = [&home](const std::vector<std::string>& command) {
        std::vector<std::string> arguments = {"--json", "--home", home};
        arguments.insert(arguments.end(), command.begin(), command.end());
        const auto result = RunCli(arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        return Json::parse(result.out);
    };
    const Json nodes = json({"nodes"});
    // A node without a MAC address has none, not an empty text.
    EXPECT_EQ(nodes[1]["mac"], nullptr);
    EXPECT_EQ(nodes[0]["mac"], "02:48:4c:56:07:a5");
    EXPECT_EQ(nodes[0]["monitored"], true);
    EXPECT_EQ(nodes[0]["label"], "受付\tPC\\1");
    const Json events = json({"events"});
    EXPECT_EQ(events[0]["kind"], Json({{"number", 3}, {"name", "盗聴ノード検出"}}));
    const Json settings = json({"settings"});
    EXPECT_EQ(settings["NEWENABLE"], true);
    EXPECT_EQ(settings["TIMEOUT"], 100);
    EXPECT_EQ(json({"options"})["SCROLL"], false);
    const Json mail = json({"mail"});
    // The password is masked in JSON as in the text; the port is a number.
    EXPECT_EQ(mail["passward"], "********");
    EXPECT_EQ(mail["authpass"], "");
    EXPECT_EQ(mail["smtpport"], 587);
}

TEST(CliJson, OnlyAListingTakesJson) {
    test::TempProgramFolder folder;
    const std::string home = folder.Path().string();
    for (const std::vector<std::string>& command :
         std::vector<std::vector<std::string>>{{"search"},
                                               {"ranges", "clear"},
                                               {"settings", "set", "RETRY", "3"},
                                               {"event", "set", "0", "log", "1"},
                                               {"export", "csv", "nodes"}}) {
        std::vector<std::string> arguments = {"--json", "--home", home};
        arguments.insert(arguments.end(), command.begin(), command.end());
        const auto result = RunCli(arguments);
        EXPECT_EQ(result.status, 2) << testing::PrintToString(command);
        EXPECT_NE(result.err.find("--json goes with a command that prints a list, not with " +
                                  command[0]),
                  std::string::npos)
            << result.err;
    }
}

}  // namespace
}  // namespace halvera
