#include "events/event_row.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "events/event_kind.h"
#include "support/file_bytes.h"
#include "support/fixed_clock.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using Cells = std::vector<std::string>;

class EventRowTest : public testing::Test {
  protected:
    EventRowTest() : m_clock(2005, 7, 10, 9, 5, 3), m_scoped(m_clock) {
        test::WriteBytes(ProgramFolder() / "maclist.ini", "[MAC]\r\n000A1B=SomeVendor\r\n");
        m_node.ip = MakeIp(192, 168, 0, 20);
        m_node.mac = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E};
        m_node.label = Sjis("受付");
        m_node.host = "PC01";
        m_node.domain = "WORKGROUP";
        m_node.vendor = "stale vendor";
        m_settings.message = "%LABEL at %IP by %VEN";
    }

    test::TempProgramFolder m_folder;
    test::FixedClock m_clock;
    test::ScopedClock m_scoped;
    ListTable m_list{EVENT_LIST_COLUMNS};
    NodeRecord m_node;
    EventSettings m_settings;
};

TEST_F(EventRowTest, RowShowsTheNodeTheTimeAndTheExpandedMessage) {
    struct Case {
        const char* name;
        MacAddress mac;
        int kind;
        Cells expected;
    };
    const Case cases[] = {
        {"listed vendor",
         {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E},
         EVENT_NEW_NODE,
         {"", "2005/07/10 09:05:03", Sjis("受付"), "192.168.0.20", "00-0A-1B-2C-3D-4E", "PC01",
          "WORKGROUP", "SomeVendor", Sjis("受付") + " at 192.168.0.20 by SomeVendor"}},
        // %VEN falls back to the MAC text; the vendor column stays empty.
        {"unlisted vendor",
         {0x12, 0x34, 0x56, 0x00, 0x00, 0x01},
         EVENT_SNIFFING_NODE,
         {"", "2005/07/10 09:05:03", Sjis("受付"), "192.168.0.20", "12-34-56-00-00-01", "PC01",
          "WORKGROUP", "", Sjis("受付") + " at 192.168.0.20 by 12-34-56-00-00-01"}},
        {"no MAC",
         {},
         EVENT_NODE_DOWN,
         {"", "2005/07/10 09:05:03", Sjis("受付"), "192.168.0.20", "", "PC01", "WORKGROUP", "",
          Sjis("受付") + " at 192.168.0.20 by 00-00-00-00-00-00"}},
        {"kind the runs never raise",
         {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E},
         EVENT_DEVICE_CHANGE,
         {"", "2005/07/10 09:05:03", Sjis("受付"), "192.168.0.20", "00-0A-1B-2C-3D-4E", "PC01",
          "WORKGROUP", "SomeVendor", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ListTable list(EVENT_LIST_COLUMNS);
        m_node.mac = c.mac;
        EXPECT_EQ(AddEventRow(list, m_node, m_settings, c.kind, 100), 0);
        ListRow row;
        ASSERT_TRUE(list.GetRow(0, row));
        EXPECT_EQ(row.cells, c.expected);
        EXPECT_EQ(row.image, c.kind);
        EXPECT_FALSE(row.checked);
    }
}

TEST_F(EventRowTest, ListKeepsTheNewestRowsUpToElistmax) {
    struct Case {
        int before;  // rows already in the list
        int elistMax;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {0, 3, {"new"}},
        {2, 3, {"0", "1", "new"}},
        {3, 3, {"1", "2", "new"}},
        {3, 1, {"new"}},
        {3, 0, {"new"}},
        // A limit lowered since the list grew takes effect at once.
        {6, 2, {"5", "new"}},
    };
    for (const auto& c : cases) {
        ListTable list(EVENT_LIST_COLUMNS);
        for (int i = 0; i < c.before; ++i) {
            NodeRecord old = m_node;
            old.label = std::to_string(i);
            AddEventRow(list, old, m_settings, EVENT_NODE_UP, 100);
        }
        m_node.label = "new";
        const int index = AddEventRow(list, m_node, m_settings, EVENT_NODE_UP, c.elistMax);
        std::vector<std::string> labels;
        for (const auto& row : list.Snapshot()) {
            labels.push_back(row.cells[ELIST_COL_LABEL]);
        }
        EXPECT_EQ(labels, c.expected) << c.before << " rows, ELISTMAX " << c.elistMax;
        EXPECT_EQ(index, static_cast<int>(c.expected.size()) - 1);
    }
}

TEST_F(EventRowTest, NewRowIsScrolledIntoViewAfterItIsAdded) {
    AddEventRow(m_list, m_node, m_settings, EVENT_NODE_UP, 2);
    AddEventRow(m_list, m_node, m_settings, EVENT_NODE_UP, 2);
    std::vector<ListChange> changes;
    int id = m_list.Subscribe([&](const ListChange& change) { changes.push_back(change); });
    AddEventRow(m_list, m_node, m_settings, EVENT_NODE_UP, 2);
    m_list.Unsubscribe(id);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].kind, ListChange::Removed);
    EXPECT_EQ(changes[0].row, 0);
    EXPECT_EQ(changes[1].kind, ListChange::Inserted);
    EXPECT_EQ(changes[1].row, 1);
    EXPECT_EQ(changes[2].kind, ListChange::ScrollTo);
    EXPECT_EQ(changes[2].row, 1);
}

}  // namespace
}  // namespace halvera
