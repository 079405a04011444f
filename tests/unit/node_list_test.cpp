#include "net/node_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "lists/list_tables.h"
#include "support/file_bytes.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

ListRow Row(const std::string& ip, const std::string& mac, bool checked = false) {
    ListRow row;
    row.cells.resize(NODE_LIST_COLUMNS);
    row.cells[NODE_COL_IP] = ip;
    row.cells[NODE_COL_MAC] = mac;
    row.checked = checked;
    return row;
}

MacAddress Mac(int n) {
    return {0x02, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(n)};
}

class NodeListRowsTest : public testing::Test {
  protected:
    NodeListRowsTest() {
        m_list.Reset({Row("192.168.0.20", "", true), Row("192.168.0.30", "02-00-00-00-00-02"),
                      Row("192.168.0.30", "02-00-00-00-00-03", true),
                      Row("192.168.0.40", "2-0-0-0-0-a"), Row("192.168.0.40", "", true)});
    }
    ListTable m_list{NODE_LIST_COLUMNS};
};

TEST_F(NodeListRowsTest, FindNodeRowTakesTheAddressWithAnEmptyOrEqualMac) {
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
        {40, Mac(10), 4},  // the MAC text is compared as written, not as read
        {50, Mac(2), -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindNodeRow(m_list, MakeIp(192, 168, 0, c.last), c.mac), c.expected)
            << c.last << " " << FormatMac(c.mac);
    }
}

TEST_F(NodeListRowsTest, RemoveNodeRowTakesTheFirstRowWhoseMacReadsAsGiven) {
    struct Case {
        int last;
        MacAddress mac;
        std::vector<std::string> remainingMacs;
    };
    const Case cases[] = {
        {30, Mac(3), {"", "02-00-00-00-00-02", "2-0-0-0-0-a", ""}},
        {40, Mac(10), {"", "02-00-00-00-00-02", "02-00-00-00-00-03", ""}},
        {20, {}, {"02-00-00-00-00-02", "02-00-00-00-00-03", "2-0-0-0-0-a", ""}},
        {20, Mac(1), {"", "02-00-00-00-00-02", "02-00-00-00-00-03", "2-0-0-0-0-a", ""}},
        {50, {}, {"", "02-00-00-00-00-02", "02-00-00-00-00-03", "2-0-0-0-0-a", ""}},
    };
    const auto rows = m_list.Snapshot();
    for (const auto& c : cases) {
        m_list.Reset(rows);
        RemoveNodeRow(m_list, MakeIp(192, 168, 0, c.last), c.mac);
        std::vector<std::string> macs;
        for (const auto& row : m_list.Snapshot()) {
            macs.push_back(row.cells[NODE_COL_MAC]);
        }
        EXPECT_EQ(macs, c.remainingMacs) << c.last << " " << FormatMac(c.mac);
    }
}

TEST_F(NodeListRowsTest, IsNodeCheckedReadsTheFirstRowOfTheAddress) {
    EXPECT_EQ(IsNodeChecked(m_list, MakeIp(192, 168, 0, 20)), 1);
    EXPECT_EQ(IsNodeChecked(m_list, MakeIp(192, 168, 0, 30)), 0);
    EXPECT_EQ(IsNodeChecked(m_list, MakeIp(192, 168, 0, 40)), 0);
    EXPECT_EQ(IsNodeChecked(m_list, MakeIp(192, 168, 0, 50)), 0);
}

class RecordingProgress : public Progress {
  public:
    void SetRange(int, int) override {}
    void SetPosition(int position) override { positions.push_back(position); }
    int Position() const override { return positions.empty() ? 0 : positions.back(); }
    std::vector<int> positions;
};

TEST(LoadNodeList, OneRowPerStoredNodeInStoreOrder) {
    test::TempProgramFolder folder;
    test::WriteBytes(ProgramFolder() / "maclist.ini", "[MAC]\r\n020000=LabVendor\r\n");
    test::RecordingPrompt prompt;
    test::RecordingErrorLog errorLog;
    NodeStore nodes(prompt, errorLog);
    ASSERT_EQ(nodes.InitNodeStore(), 0);
    struct Stored {
        int last;
        MacAddress mac;
        std::int8_t status;
        std::uint32_t monitor, testBits;
    };
    for (const Stored& s :
         {Stored{31, Mac(2), NODE_UP, 0, 7}, Stored{20, Mac(1), NODE_UP, 1, 0},
          Stored{40, {}, NODE_DOWN, 1, 1}, Stored{50, Mac(5), NODE_NEVER_SEEN, 1, 0}}) {
        NodeRecord record;
        record.ip = MakeIp(192, 168, 0, s.last);
        record.mac = s.mac;
        record.status = s.status;
        record.monitor = s.monitor;
        record.testBits = s.testBits;
        record.label = Sjis("ラベル") + std::to_string(s.last);
        record.host = "pc" + std::to_string(s.last);
        record.domain = "WG";
        record.detected = "2005/04/01 10:00:00";
        record.updated = "2005/04/02 11:00:00";
        ASSERT_EQ(nodes.PutNode(record), PUT_APPENDED);
    }
    ListTable list(NODE_LIST_COLUMNS);
    RecordingProgress progress;
    LoadNodeList(list, nodes, 7, &progress);

    const std::string dot = Sjis("●");
    auto expected = [&](int last, const std::string& mac, std::string b47, std::string b16,
                        std::string b8, std::string vendor, std::string st, bool checked) {
        ListRow row;
        row.cells = {"",
                     Sjis("ラベル") + std::to_string(last),
                     b47,
                     b16,
                     b8,
                     "192.168.0." + std::to_string(last),
                     mac,
                     "pc" + std::to_string(last),
                     "WG",
                     vendor,
                     "2005/04/01 10:00:00",
                     "2005/04/02 11:00:00",
                     st};
        row.checked = checked;
        row.image = 0;
        return row;
    };
    EXPECT_EQ(list.Snapshot(),
              (std::vector<ListRow>{
                  expected(31, "02-00-00-00-00-02", dot, dot, dot, "LabVendor", "x", false),
                  expected(20, "02-00-00-00-00-01", "", "", "", "LabVendor", ".", true),
                  expected(40, "", dot, "", "", "", "", true),
                  expected(50, "02-00-00-00-00-05", "", "", "", "LabVendor", "", true)}));
    EXPECT_EQ(progress.positions, (std::vector<int>{0, 1, 2, 3}));
}

}  // namespace
}  // namespace halvera
