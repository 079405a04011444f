#include "lists/node_list_sort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_codec.h"
#include "lists/list_tables.h"
#include "store/node_line.h"

namespace halvera {
namespace {

// Fills the key's field of fresh nodes (in the form its column shows) and reads the column
// back after the sort.
std::vector<std::string> SortColumn(NodeSortKey key, int column,
                                    const std::vector<std::string>& values) {
    NodeTable nodeList;
    for (const auto& value : values) {
        NodeEntry node;
        switch (key) {
            case SORT_BY_IP:
                node.ip = InetAddr(value);
                break;
            case SORT_BY_MAC:
                node.mac = ParseMac(value).value();
                break;
            case SORT_BY_LABEL:
                node.label = value;
                break;
            case SORT_BY_HOST:
                node.host = value;
                break;
            case SORT_BY_DOMAIN:
                node.domain = value;
                break;
        }
        nodeList.Append(node);
    }
    SortNodeList(nodeList, key);
    std::vector<std::string> sorted;
    for (const auto& row : nodeList.Display().Snapshot()) {
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
        {"labels byte-wise: capitals, small letters, then kana",
         SORT_BY_LABEL,
         NODE_COL_LABEL,
         {Sjis("あ"), "b", "a", "B"},
         {"B", "a", "b", Sjis("あ")}},
        {"MAC addresses by their bytes, an unknown one first",
         SORT_BY_MAC,
         NODE_COL_MAC,
         {"00-0C-29-00-00-02", "", "A0-0C-29-00-00-01", "00-0C-29-00-00-01"},
         {"", "00-0C-29-00-00-01", "00-0C-29-00-00-02", "A0-0C-29-00-00-01"}},
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
    NodeTable nodeList;
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"second", "WG"}, {"first", "AA"}, {"third", "WG"}};
    for (const auto& [label, domain] : rows) {
        NodeEntry node;
        node.label = label;
        node.domain = domain;
        node.monitored = label == "third";
        nodeList.Append(node);
    }
    SortNodeList(nodeList, SORT_BY_DOMAIN);
    const auto sorted = nodeList.Snapshot();
    ASSERT_EQ(sorted.size(), 3u);
    EXPECT_EQ(sorted[0].label, "first");
    EXPECT_EQ(sorted[1].label, "second");
    EXPECT_EQ(sorted[2].label, "third");
    EXPECT_TRUE(sorted[2].monitored);
    EXPECT_TRUE(nodeList.Display().IsChecked(2));
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
