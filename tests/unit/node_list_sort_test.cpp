#include "lists/node_list_sort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_codec.h"
#include "lists/list_tables.h"

namespace halvera {
namespace {

// Fills one column of fresh node list rows and reads it back after the sort.
std::vector<std::string> SortColumn(NodeSortKey key, int column,
                                    const std::vector<std::string>& values) {
    ListTable nodeList(NODE_LIST_COLUMNS);
    for (const auto& value : values) {
        ListRow row;
        row.cells.resize(NODE_LIST_COLUMNS);
        row.cells[static_cast<std::size_t>(column)] = value;
        nodeList.AppendRow(row);
    }
    SortNodeList(nodeList, key);
    std::vector<std::string> sorted;
    for (const auto& row : nodeList.Snapshot()) {
        sorted.push_back(row.cells[static_cast<std::size_t>(column)]);
    }
    return sorted;
}

struct SortCase {
    const char* name;
    NodeSortKey key;
    int column;
    std::vector<std::string> values;
    std::vector<std::string> expected;
};

TEST(SortNodeList, OrdersEachKeyColumn) {
    const SortCase cases[] = {
        {"addresses by value, not by text",
         SORT_BY_IP,
         NODE_COL_IP,
         {"192.168.0.10", "192.168.0.9", "10.0.0.1", "192.168.0.100"},
         {"10.0.0.1", "192.168.0.9", "192.168.0.10", "192.168.0.100"}},
        {"a text that is no address goes last",
         SORT_BY_IP,
         NODE_COL_IP,
         {"", "192.168.0.2", "host", "192.168.0.1"},
         {"192.168.0.1", "192.168.0.2", "", "host"}},
        {"labels byte-wise: capitals, small letters, then kana",
         SORT_BY_LABEL,
         NODE_COL_LABEL,
         {Sjis("あ"), "b", "a", "B"},
         {"B", "a", "b", Sjis("あ")}},
        {"MAC texts",
         SORT_BY_MAC,
         NODE_COL_MAC,
         {"00-0C-29-00-00-02", "", "00-0C-29-00-00-01"},
         {"", "00-0C-29-00-00-01", "00-0C-29-00-00-02"}},
        {"host names", SORT_BY_HOST, NODE_COL_HOST, {"web", "db", "mail"}, {"db", "mail", "web"}},
        {"workgroups",
         SORT_BY_DOMAIN,
         NODE_COL_DOMAIN,
         {"WORKGROUP", "HOME", "OFFICE"},
         {"HOME", "OFFICE", "WORKGROUP"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SortColumn(c.key, c.column, c.values), c.expected) << c.name;
    }
}

TEST(SortNodeList, KeepsTheOrderOfEqualKeysAndTheRestOfEachRow) {
    ListTable nodeList(NODE_LIST_COLUMNS);
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"second", "WG"}, {"first", "AA"}, {"third", "WG"}};
    for (const auto& [label, domain] : rows) {
        ListRow row;
        row.cells.resize(NODE_LIST_COLUMNS);
        row.cells[NODE_COL_LABEL] = label;
        row.cells[NODE_COL_DOMAIN] = domain;
        row.checked = label == "third";
        nodeList.AppendRow(row);
    }
    SortNodeList(nodeList, SORT_BY_DOMAIN);
    const auto sorted = nodeList.Snapshot();
    ASSERT_EQ(sorted.size(), 3u);
    EXPECT_EQ(sorted[0].cells[NODE_COL_LABEL], "first");
    EXPECT_EQ(sorted[1].cells[NODE_COL_LABEL], "second");
    EXPECT_EQ(sorted[2].cells[NODE_COL_LABEL], "third");
    EXPECT_TRUE(sorted[2].checked);
}

TEST(IsNodeSortKey, AcceptsOnlyTheFiveSortValues) {
    const std::pair<int, bool> cases[] = {
        {0, false}, {1, true}, {5, true}, {6, false}, {-1, false}};
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(IsNodeSortKey(value), expected) << value;
    }
}

}  // namespace
}  // namespace halvera
