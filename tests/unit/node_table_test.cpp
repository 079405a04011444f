#include "lists/node_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_codec.h"
#include "lists/list_columns.h"
#include "lists/node_cells.h"
#include "lists/node_list_sort.h"

namespace halvera {
namespace {

MacAddress Mac(int n) {
    return {0x02, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(n)};
}

NodeEntry Node(int last, MacAddress mac, bool monitored = false) {
    NodeEntry node;
    node.ip = MakeIp(192, 168, 0, last);
    node.mac = mac;
    node.monitored = monitored;
    node.label = "n" + std::to_string(last);
    return node;
}

// Two rows of .30 and of .40 (a node file edited by hand): the runs go by the first.
class NodeTableTest : public testing::Test {
  protected:
    NodeTableTest() {
        m_table.Reset({Node(20, {}, true), Node(30, Mac(2)), Node(30, Mac(3), true),
                       Node(40, Mac(10)), Node(40, {}, true)});
    }

    // Every row as the view shows it must be the one formatted from its node.
    void ExpectDisplayFollowsNodes() const {
        std::vector<ListRow> formatted;
        for (const NodeEntry& node : m_table.Snapshot()) {
            formatted.push_back(NodeRowOf(node));
        }
        EXPECT_EQ(m_table.Display().Snapshot(), formatted);
    }

    std::vector<int> Lasts() const {
        std::vector<int> lasts;
        for (const NodeEntry& node : m_table.Snapshot()) {
            lasts.push_back(static_cast<int>(node.ip >> 24));
        }
        return lasts;
    }

    NodeTable m_table;
};

TEST_F(NodeTableTest, FindsTheFirstRowOfAnAddressWithAnUnknownOrEqualMac) {
    struct Case {
        int last;
        MacAddress mac;
        int expected;
    };
    const Case cases[] = {
        {20, Mac(9), 0},   // no MAC known for the row: any MAC matches
        {20, {}, 0},       //
        {30, Mac(3), 2},   //
        {30, Mac(4), -1},  //
        {30, {}, -1},      // an unknown MAC is no match for a row that shows one
        {40, Mac(7), 4},   // the second row of the address knows no MAC
        {50, Mac(2), -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(m_table.RowOf(MakeIp(192, 168, 0, c.last), c.mac), c.expected)
            << c.last << " " << FormatMac(c.mac);
    }
    EXPECT_EQ(m_table.RowOf(MakeIp(192, 168, 0, 40)), 3);
    EXPECT_EQ(m_table.RowOf(MakeIp(192, 168, 0, 50)), -1);
}

TEST_F(NodeTableTest, RemovesTheFirstRowOfTheAddressWithExactlyTheMac) {
    struct Case {
        int last;
        MacAddress mac;
        std::vector<int> remaining;
    };
    const Case cases[] = {
        {30, Mac(3), {20, 30, 40, 40}},
        {40, {}, {20, 30, 30, 40}},  // all zero: the row that knows no MAC
        {40, Mac(10), {20, 30, 30, 40}},
        {20, Mac(1), {20, 30, 30, 40, 40}},
        {50, {}, {20, 30, 30, 40, 40}},
    };
    const auto nodes = m_table.Snapshot();
    for (const auto& c : cases) {
        m_table.Reset(nodes);
        m_table.Remove(MakeIp(192, 168, 0, c.last), c.mac);
        EXPECT_EQ(Lasts(), c.remaining) << c.last << " " << FormatMac(c.mac);
        ExpectDisplayFollowsNodes();
    }
}

TEST_F(NodeTableTest, TheMonitoredFlagIsTheFirstRowsOfTheAddress) {
    EXPECT_TRUE(m_table.IsMonitored(MakeIp(192, 168, 0, 20)));
    EXPECT_FALSE(m_table.IsMonitored(MakeIp(192, 168, 0, 30)));
    EXPECT_FALSE(m_table.IsMonitored(MakeIp(192, 168, 0, 40)));
    EXPECT_FALSE(m_table.IsMonitored(MakeIp(192, 168, 0, 50)));
    // Once the first row has gone, the second one speaks for the address.
    ASSERT_TRUE(m_table.Remove(1));
    EXPECT_TRUE(m_table.IsMonitored(MakeIp(192, 168, 0, 30)));
    EXPECT_EQ(m_table.RowOf(MakeIp(192, 168, 0, 40)), 2);
}

TEST_F(NodeTableTest, TheIndexFollowsEveryChangeOfTheRows) {
    // A change by address goes to the row a look-up would find, or nowhere.
    EXPECT_FALSE(m_table.ChangeNode(MakeIp(192, 168, 0, 99), [](NodeEntry&) {}));
    ASSERT_TRUE(m_table.ChangeNode(MakeIp(192, 168, 0, 40), Mac(7),
                                   [](NodeEntry& node) { node.label = "second .40"; }));
    EXPECT_EQ(m_table.At(4)->label, "second .40");

    // Sorted by address the rows of an address stay in their order.
    SortNodeList(m_table, SORT_BY_MAC);
    EXPECT_EQ(Lasts(), (std::vector<int>{20, 40, 30, 30, 40}));
    EXPECT_EQ(m_table.RowOf(MakeIp(192, 168, 0, 40)), 1);
    EXPECT_TRUE(m_table.IsMonitored(MakeIp(192, 168, 0, 40)));
    EXPECT_EQ(m_table.RowOf(MakeIp(192, 168, 0, 30), Mac(3)), 3);

    // A node that moves to another address is found there only.
    ASSERT_TRUE(m_table.Change(3, [](NodeEntry& node) { node.ip = MakeIp(192, 168, 0, 60); }));
    EXPECT_EQ(m_table.RowOf(MakeIp(192, 168, 0, 60)), 3);
    EXPECT_EQ(m_table.RowOf(MakeIp(192, 168, 0, 30), Mac(3)), -1);
    EXPECT_TRUE(m_table.IsMonitored(MakeIp(192, 168, 0, 60)));

    EXPECT_EQ(m_table.Append(Node(70, Mac(7), true)), 5);
    EXPECT_TRUE(m_table.IsMonitored(MakeIp(192, 168, 0, 70)));
    ASSERT_TRUE(m_table.Remove(0));
    EXPECT_EQ(m_table.RowOf(MakeIp(192, 168, 0, 70)), 4);
    EXPECT_FALSE(m_table.Remove(5));
    ExpectDisplayFollowsNodes();
}

TEST_F(NodeTableTest, OneRowAtATimeShowsTheSearchingMarkWhereverItMoved) {
    const std::string searching = SearchingText();
    m_table.MarkSearching(MakeIp(192, 168, 0, 40), Mac(10));
    EXPECT_EQ(m_table.Display().Cell(3, NODE_COL_MONITOR), searching);
    // A row above it goes while the run probes: the mark goes with its row.
    ASSERT_TRUE(m_table.Remove(1));
    EXPECT_EQ(m_table.Display().Cell(2, NODE_COL_MONITOR), searching);
    m_table.MarkSearching(MakeIp(192, 168, 0, 20), Mac(1));
    m_table.ClearSearching();
    for (int row = 0; row < m_table.RowCount(); ++row) {
        EXPECT_EQ(m_table.Display().Cell(row, NODE_COL_MONITOR), "") << row;
        EXPECT_FALSE(m_table.At(row)->searching) << row;
    }
    // The check box of a marked row is the node's monitored flag all the same.
    m_table.MarkSearching(MakeIp(192, 168, 0, 30), Mac(3));
    ASSERT_TRUE(m_table.SetMonitored(1, true));
    EXPECT_TRUE(m_table.Display().IsChecked(1));
    EXPECT_TRUE(m_table.IsMonitored(MakeIp(192, 168, 0, 30)));
    ExpectDisplayFollowsNodes();
}

TEST(NodeCells, ShowTheNodeAsTheColumnsWriteIt) {
    NodeEntry node;
    node.ip = MakeIp(10, 0, 0, 5);
    node.mac = {0x02, 0x48, 0x4c, 0x56, 0x07, 0x15};
    node.label = Sjis("ラベル");
    node.host = "pc5";
    node.domain = "WG";
    node.vendor = "Lab";
    node.testBits = TEST_B47 | TEST_B8;
    node.mark = NodeMark::Sniffing;
    node.monitored = true;
    node.image = 0;
    node.detected = LocalStamp::Read("2005/04/01 10:00:00");
    // A date another program wrote in its own form is shown as it was written.
    node.updated = LocalStamp::Read("2005-4-2 11:00");
    const std::string dot = Sjis("●");
    ListRow expected;
    expected.cells = {"",
                      Sjis("ラベル"),
                      dot,
                      "",
                      dot,
                      "10.0.0.5",
                      "02-48-4C-56-07-15",
                      "pc5",
                      "WG",
                      "Lab",
                      "2005/04/01 10:00:00",
                      "2005-4-2 11:00",
                      "x"};
    expected.checked = true;
    expected.image = 0;
    expected.tone = static_cast<int>(NodeRowColour::Sniffing);
    EXPECT_EQ(NodeRowOf(node), expected);

    node.mac = {};
    node.mark = NodeMark::Up;
    node.monitored = false;
    node.searching = true;
    const ListRow unknown = NodeRowOf(node);
    EXPECT_EQ(unknown.cells[NODE_COL_MAC], "");
    EXPECT_EQ(unknown.cells[NODE_COL_ST], ".");
    EXPECT_EQ(unknown.cells[NODE_COL_MONITOR], SearchingText());
    EXPECT_EQ(unknown.tone, static_cast<int>(NodeRowColour::Unmonitored));
}

}  // namespace
}  // namespace halvera
