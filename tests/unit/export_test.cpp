#include "export/list_exporter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/text_codec.h"
#include "export/csv_writer.h"
#include "lists/list_tables.h"
#include "lists/node_cells.h"
#include "store/event_kind.h"
#include "support/file_bytes.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;

constexpr const char* DATE_TIME = "2026/12/10 08:05:03";

ListRow NodeRow(const char* ip, const char* label, const char* host, const char* mark,
                bool checked) {
    const std::string st = mark;
    NodeEntry node;
    node.label = Sjis(label);
    node.testBits = st == "x" ? TEST_B47 : 0;
    node.ip = InetAddr(ip);
    node.mac = {0x02, 0x48, 0x4C, 0x56, 0x07, 0x15};
    node.host = host;
    node.domain = "WORKGROUP";
    node.vendor = "Vendor";
    node.detected = LocalStamp::Read("2026/12/01 09:00:00");
    node.updated = LocalStamp::Read("2026/12/02 10:00:00");
    node.mark = st == "." ? NodeMark::Up : st == "x" ? NodeMark::Sniffing : NodeMark::Down;
    node.monitored = checked;
    return NodeRowOf(node);
}

// Up, sniffing, stopped, unmonitored, and names from the network that try to be markup or
// extra cells.
std::vector<ListRow> NodeRows() {
    return {
        NodeRow("198.18.7.21", "受付", "pc-01", ".", true),
        NodeRow("198.18.7.31", "sniffer", "", "x", true),
        NodeRow("198.18.7.41", "stopped", "pc-41", "", true),
        NodeRow("198.18.7.51", "unmonitored", "pc-51", ".", false),
        NodeRow("198.18.7.61", "\"a\",\"b\"", "<script>alert(\"R&D\")</script>", ".", true),
    };
}

std::vector<ListRow> EventRows() {
    std::vector<ListRow> rows;
    const int kinds[] = {EVENT_NEW_NODE, EVENT_SNIFFING_NODE, EVENT_IP_CHANGE, EVENT_DEVICE_CHANGE,
                         9};
    for (int kind : kinds) {
        rows.push_back({{"", "2026/12/10 08:00:0" + std::to_string(kind % 10), "198.18.7.31",
                         kind == EVENT_SNIFFING_NODE ? "" : "<b>host</b>", Sjis("情報 & more")},
                        false,
                        kind});
    }
    return rows;
}

std::vector<ListRow> ErrorRows() {
    return {{{"netmond", "2026/12/10 08:00:00", "Create Socket Error"}, false, -1},
            {{"filed", "2026/12/10 08:00:01", Sjis("\"NetDB\" を開けません")}, false, -1}};
}

AppSettings Colours(std::int32_t print) {
    AppSettings settings;
    settings.PRINT = print;
    settings.BCOLOR = 0xF0E0D0;  // 0x00BBGGRR: red D0, green E0, blue F0
    return settings;
}

std::string Golden(const std::string& name) {
    return test::ReadBytes(fs::path(HALVERA_TEST_DATA) / "export" / name);
}

// The exports byte for byte. HALVERA_WRITE_GOLDEN=1 rewrites the files from the code, for a
// change made on purpose: read the difference before committing it.
TEST(Export, ListsAsTheirGoldenFiles) {
    struct Case {
        const char* file;
        ExportFormat format;
        ExportList list;
        std::int32_t print;
    };
    const Case cases[] = {
        {"nodes.csv", ExportFormat::Csv, ExportList::NodeList, 0x3F7E},
        {"nodes_all.csv", ExportFormat::Csv, ExportList::NodeList, 0x3FFF},
        {"nodes_none.csv", ExportFormat::Csv, ExportList::NodeList, 0},
        {"nodes.html", ExportFormat::Html, ExportList::NodeList, 0x3F7E},
        {"nodes_none.html", ExportFormat::Html, ExportList::NodeList, 0},
        {"events.csv", ExportFormat::Csv, ExportList::EventLog, 0x3F7E},
        {"events.html", ExportFormat::Html, ExportList::EventLog, 0x3F7E},
        {"errors.csv", ExportFormat::Csv, ExportList::ErrorLog, 0x3F7E},
        {"errors.html", ExportFormat::Html, ExportList::ErrorLog, 0x3F7E},
    };
    const bool write = std::getenv("HALVERA_WRITE_GOLDEN") != nullptr;
    for (const auto& c : cases) {
        const std::vector<ListRow> rows = c.list == ExportList::NodeList   ? NodeRows()
                                          : c.list == ExportList::EventLog ? EventRows()
                                                                           : ErrorRows();
        const std::string text = ExportText(c.format, c.list, rows, Colours(c.print), DATE_TIME);
        if (write) {
            std::ofstream(fs::path(HALVERA_TEST_DATA) / "export" / c.file, std::ios::binary)
                << text;
        }
        EXPECT_EQ(text, Golden(c.file)) << c.file;
    }
}

TEST(Export, AnEmptyListKeepsTheDateBlockAndTheHeader) {
    const std::string csv =
        ExportText(ExportFormat::Csv, ExportList::ErrorLog, {}, Colours(0), DATE_TIME);
    EXPECT_EQ(csv, "\"" + Sjis("出力日時") + "\"\r\n\"2026/12/10 08:05:03\"\r\n\r\n\"" +
                       Sjis("アクション") + "\",\"" + Sjis("日付 時間") + "\",\"" + Sjis("情報") +
                       "\",\r\n");
    const std::string html =
        ExportText(ExportFormat::Html, ExportList::NodeList, {}, Colours(0x2), DATE_TIME);
    EXPECT_NE(
        html.find("<tr><td bgcolor=#c0c0c0 nowrap>" + Sjis("ラベル") + "</td>\r\n</table>\r\n"),
        std::string::npos)
        << html;
}

// A spreadsheet evaluates a cell that begins with = + - @, a tab or a CR as a formula even
// inside quotation marks; a leading ' inside the quotes makes it text. Host names come from
// the network and labels from any user, so every list's CSV does it; HTML shows the text.
TEST(Export, CsvCellsThatASpreadsheetWouldEvaluateBeginWithAQuote) {
    struct Case {
        const char* text;
        const char* csvCell;
    };
    const Case cases[] = {
        {"=HYPERLINK(\"http://evil.example/x\")",
         "\"'=HYPERLINK(\"\"http://evil.example/x\"\")\","},
        {"+cmd|'/C calc'!A0", "\"'+cmd|'/C calc'!A0\","},
        {"-2+3", "\"'-2+3\","},
        {"@SUM(1+1)", "\"'@SUM(1+1)\","},
        {"\tx", "\"'\tx\","},
        {"\rx", "\"'\rx\","},
        {"=", "\"'=\","},
        {"a=1+1", "\"a=1+1\","},
        {" =1+1", "\" =1+1\","},
        {"'text", "\"'text\","},
        {"", "\"\","},
    };
    const std::string head = "\"" + Sjis("出力日時") + "\"\r\n\"2026/12/10 08:05:03\"\r\n\r\n";
    for (const Case& c : cases) {
        const ExportTable table{{c.text}, {{{c.text}, NodeRowColour::Up}}};
        EXPECT_EQ(CsvText(table, DATE_TIME), head + c.csvCell + "\r\n" + c.csvCell + "\r\n")
            << c.text;
    }

    // A label, a host name and an error log text, each in its list's export.
    struct ListCase {
        ExportList list;
        std::vector<ListRow> rows;
    };
    const ListCase lists[] = {
        {ExportList::NodeList, {NodeRow("198.18.7.21", "@SUM(1+1)", "-2+3", ".", true)}},
        {ExportList::EventLog,
         {{{"", "2026/12/10 08:00:00", "198.18.7.31", "@SUM(1+1)", "-2+3"},
           false,
           EVENT_NEW_NODE}}},
        {ExportList::ErrorLog, {{{"@SUM(1+1)", "2026/12/10 08:00:00", "-2+3"}, false, -1}}},
    };
    for (const ListCase& c : lists) {
        const std::string csv =
            ExportText(ExportFormat::Csv, c.list, c.rows, Colours(0x3F7E), DATE_TIME);
        EXPECT_NE(csv.find("\"'@SUM(1+1)\","), std::string::npos) << csv;
        EXPECT_NE(csv.find("\"'-2+3\","), std::string::npos) << csv;
        const std::string html =
            ExportText(ExportFormat::Html, c.list, c.rows, Colours(0x3F7E), DATE_TIME);
        EXPECT_NE(html.find(">@SUM(1+1)<"), std::string::npos) << html;
        EXPECT_NE(html.find(">-2+3<"), std::string::npos) << html;
        EXPECT_EQ(html.find('\''), std::string::npos) << html;
    }
}

TEST(Export, WritingReplacesTheFileOrReportsWhyNot) {
    test::TempProgramFolder folder;
    test::RecordingPrompt prompt;
    test::RecordingErrorLog errorLog;
    const fs::path path = folder.Path() / "Lattisk.csv";
    for (const char* text : {"first", "second"}) {
        EXPECT_EQ(WriteExportFile(path, text, ExportFormat::Csv, prompt, errorLog), 0);
        EXPECT_EQ(test::ReadBytes(path), text);
    }
    EXPECT_TRUE(prompt.Boxes().empty());

    // Folders where nothing can be created, for any user: one that is missing, and a
    // plain file in the place of the folder.
    test::WriteBytes(folder.Path() / "plain", "");
    struct Case {
        ExportFormat format;
        const char* text;
        fs::path target;
        const char* reason;
    };
    const Case cases[] = {
        {ExportFormat::Csv, "CSV File Open Error", folder.Path() / "missing" / "Lattisk.csv",
         "No such file or directory"},
        {ExportFormat::Html, "HTML File Open Error", folder.Path() / "missing" / "Lattisk.html",
         "No such file or directory"},
        {ExportFormat::Html, "HTML File Open Error", folder.Path() / "plain" / "Lattisk.html",
         "Not a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target.string());
        EXPECT_EQ(WriteExportFile(c.target, "x", c.format, prompt, errorLog), 1);
        ASSERT_FALSE(prompt.Texts().empty());
        // The box stays short; the log line says where and why.
        EXPECT_EQ(prompt.Texts().back(), std::string(c.text) + Sjis("。"));
        EXPECT_EQ(prompt.Boxes().back().icon, PromptIcon::Stop);
        ASSERT_FALSE(errorLog.Lines().empty());
        EXPECT_EQ(errorLog.Lines().back(),
                  std::make_pair(std::string("oputd"),
                                 std::string(c.text) + ": " + c.target.string() + ": " + c.reason));
    }
    // An earlier export stays whole.
    EXPECT_EQ(test::ReadBytes(path), "second");
}

}  // namespace
}  // namespace halvera
