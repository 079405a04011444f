#include "lists/list_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_codec.h"
#include "lists/list_tables.h"

namespace halvera {
namespace {

// A node list with the rows the search cases need, in this order.
void FillNodes(ListTable& nodes) {
    struct Node {
        const char* label;  // UTF-8
        const char* ip;
        const char* host;
    };
    const Node rows[] = {
        {"Gateway", "192.168.1.10", "router"},   {"受付ヂ", "192.168.1.1", "pc-01"},
        {"受付ア", "192.168.1.100", "PC-02"},    {"ＡＢＣ", "192.168.1.2", "server"},
        {"printer", "192.168.1.3", "Printer-9"},
    };
    for (const Node& node : rows) {
        ListRow row;
        row.cells.resize(NODE_LIST_COLUMNS);
        row.cells[NODE_COL_LABEL] = Sjis(node.label);
        row.cells[NODE_COL_IP] = node.ip;
        row.cells[NODE_COL_HOST] = Sjis(node.host);
        nodes.AppendRow(row);
    }
}

TEST(ListSearch, FindsTheFirstMatchingRowFromTheTop) {
    ListTable nodes(NODE_LIST_COLUMNS);
    FillNodes(nodes);
    struct Case {
        const char* name;
        const char* text;  // UTF-8
        int column;
        bool caseSensitive;
        bool wholeText;
        int row;
    };
    const Case cases[] = {
        {"a prefix finds the first address that begins with it", "192.168.1.1", NODE_COL_IP, false,
         false, 0},
        {"the whole address finds only itself", "192.168.1.1", NODE_COL_IP, false, true, 1},
        {"folded: PC finds pc-01", "PC", NODE_COL_HOST, false, false, 1},
        {"case-sensitive: PC skips pc-01", "PC", NODE_COL_HOST, true, false, 2},
        {"case-sensitive: pc finds pc-01", "pc", NODE_COL_HOST, true, false, 1},
        {"folded whole text", "PRINTER-9", NODE_COL_HOST, false, true, 4},
        {"a whole text is not a prefix", "printer", NODE_COL_HOST, false, true, -1},
        {"no match", "laptop", NODE_COL_HOST, false, false, -1},
        {"another column than the one asked matches nothing", "router", NODE_COL_LABEL, false,
         false, -1},
        {"the label column", "受付", NODE_COL_LABEL, false, false, 1},
        // The second byte of ア (0x83 0x41) is an A; folding it would make ア find ヂ (0x83 0x61).
        {"the second byte of a double-byte character is not folded", "受付ア", NODE_COL_LABEL,
         false, false, 2},
        {"full-width letters are not folded", "ａｂｃ", NODE_COL_LABEL, false, false, -1},
        {"full-width letters as they are", "ＡＢＣ", NODE_COL_LABEL, false, true, 3},
        {"a column out of range", "192", NODE_LIST_COLUMNS, false, false, -1},
    };
    for (const auto& c : cases) {
        ListSearch search;
        search.text = Sjis(c.text);
        search.column = c.column;
        search.caseSensitive = c.caseSensitive;
        search.wholeText = c.wholeText;
        EXPECT_EQ(FindListRow(nodes, search), c.row) << c.name;
    }
}

TEST(ListSearch, ComparesAtMost255BytesOfTextAndCell) {
    ListTable log(EVENT_LOG_COLUMNS);
    const std::string longInfo = std::string(255, 'x') + "tail";
    log.AppendRow({{"", "", "", "", longInfo}});
    struct Case {
        const char* name;
        std::string text;
        bool wholeText;
        int row;
    };
    const Case cases[] = {
        {"the cell's first 255 bytes are its whole text", std::string(255, 'X'), true, 0},
        {"a longer text is cut to 255 bytes", std::string(255, 'x') + "other", true, 0},
        {"254 bytes are a prefix only", std::string(254, 'x'), true, -1},
    };
    for (const auto& c : cases) {
        ListSearch search{c.text, EVENTLOG_COL_INFO, false, c.wholeText};
        EXPECT_EQ(FindListRow(log, search), c.row) << c.name;
    }
}

TEST(ListSearch, AnEmptyTextIsRefused) {
    EXPECT_EQ(CheckListSearchText(""), Sjis("検索名称を入力してください。"));
    EXPECT_EQ(CheckListSearchText("a"), "");
}

}  // namespace
}  // namespace halvera
