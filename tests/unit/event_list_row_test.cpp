#include "events/event_list_row.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_codec.h"
#include "lists/list_tables.h"
#include "store/event_kind.h"
#include "support/fixed_clock.h"

namespace halvera {
namespace {

NodeRecord Node(int lastByte) {
    NodeRecord node;
    node.ip = MakeIp(192, 168, 0, lastByte);
    node.mac = {0x00, 0x0C, 0x29, 0x12, 0x34, static_cast<std::uint8_t>(lastByte)};
    node.label = Sjis("受付PC");
    node.host = "pc" + std::to_string(lastByte);
    node.domain = "WORKGROUP";
    return node;
}

std::vector<std::string> Addresses(const ListTable& eventList) {
    std::vector<std::string> addresses;
    for (const auto& row : eventList.Snapshot()) {
        addresses.push_back(row.cells[EVENT_COL_IP]);
    }
    return addresses;
}

TEST(AddEventRow, FillsTheRowFromTheNodeTheKindAndTheClock) {
    test::FixedClock clock(2005, 7, 10, 9, 5, 3);
    test::ScopedClock scoped(clock);
    ListTable eventList(EVENT_LIST_COLUMNS);
    AddEventRow(eventList, Node(20), EVENT_NODE_DOWN, Sjis("VMware, Inc."), "down: pc20", 100);

    ListRow row;
    ASSERT_TRUE(eventList.GetRow(0, row));
    const std::vector<std::string> expected = {
        "",     "2005/07/10 09:05:03", Sjis("受付PC"),       "192.168.0.20", "00-0C-29-12-34-14",
        "pc20", "WORKGROUP",           Sjis("VMware, Inc."), "down: pc20"};
    EXPECT_EQ(row.cells, expected);
    EXPECT_EQ(row.image, EVENT_NODE_DOWN);
}

TEST(AddEventRow, LeavesTheMacEmptyWhenUnknownAndTheInformationToEventKinds) {
    struct Case {
        int kind;
        bool zeroMac;
        const char* mac;
        const char* information;
    };
    const Case cases[] = {
        {EVENT_SNIFFING_NODE, true, "", "text"},
        {EVENT_NEW_NODE, false, "00-0C-29-12-34-01", "text"},
        {EVENT_IP_CHANGE, false, "00-0C-29-12-34-01", "text"},
        {EVENT_DEVICE_CHANGE, true, "", "text"},
        {EVENT_KIND_COUNT, false, "00-0C-29-12-34-01", ""},
    };
    for (const auto& c : cases) {
        ListTable eventList(EVENT_LIST_COLUMNS);
        NodeRecord node = Node(1);
        if (c.zeroMac) {
            node.mac = {};
        }
        AddEventRow(eventList, node, c.kind, "", "text", 100);
        EXPECT_EQ(eventList.Cell(0, EVENT_COL_MAC), c.mac) << c.kind;
        EXPECT_EQ(eventList.Cell(0, EVENT_COL_INFO), c.information) << c.kind;
    }
}

TEST(AddEventRow, CutsTheInformationToItsColumnWithoutSplittingACharacter) {
    ListTable eventList(EVENT_LIST_COLUMNS);
    std::string message = "a";
    while (message.size() < 1100) {
        message += Sjis("あ");
    }
    AddEventRow(eventList, Node(1), EVENT_NEW_NODE, "", message, 100);
    EXPECT_EQ(eventList.Cell(0, EVENT_COL_INFO), message.substr(0, 1023));

    message.erase(0, 1);
    AddEventRow(eventList, Node(2), EVENT_NEW_NODE, "", message, 100);
    EXPECT_EQ(eventList.Cell(1, EVENT_COL_INFO), message.substr(0, 1022));
}

TEST(AddEventRow, KeepsAtMostElistmaxRowsDroppingTheOldest) {
    struct Case {
        const char* name;
        int elistMax;
        int before;  // rows already listed, addresses .1 ...
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"ELISTMAX 1 keeps only the newest", 1, 3, {"192.168.0.100"}},
        {"below the limit nothing is dropped",
         5,
         2,
         {"192.168.0.1", "192.168.0.2", "192.168.0.100"}},
        {"at the limit the oldest goes", 3, 3, {"192.168.0.2", "192.168.0.3", "192.168.0.100"}},
        {"a lowered limit shrinks the list at once", 2, 4, {"192.168.0.4", "192.168.0.100"}},
        {"0 behaves as 1", 0, 2, {"192.168.0.100"}},
    };
    for (const auto& c : cases) {
        ListTable eventList(EVENT_LIST_COLUMNS);
        for (int i = 1; i <= c.before; ++i) {
            AddEventRow(eventList, Node(i), EVENT_NODE_UP, "", "", 100);
        }
        AddEventRow(eventList, Node(100), EVENT_NODE_UP, "", "", c.elistMax);
        EXPECT_EQ(Addresses(eventList), c.expected) << c.name;
    }
}

TEST(AddEventRow, AsksTheViewsToShowTheNewRow) {
    ListTable eventList(EVENT_LIST_COLUMNS);
    AddEventRow(eventList, Node(1), EVENT_NODE_UP, "", "", 2);
    AddEventRow(eventList, Node(2), EVENT_NODE_UP, "", "", 2);
    std::vector<int> scrolledTo;
    int id = 0;
    eventList.SnapshotAndSubscribe(
        [&scrolledTo](const ListChange& change) {
            if (change.kind == ListChange::ScrollTo) {
                scrolledTo.push_back(change.row);
            }
        },
        id);
    AddEventRow(eventList, Node(3), EVENT_NODE_UP, "", "", 2);
    eventList.Unsubscribe(id);
    EXPECT_EQ(scrolledTo, std::vector<int>{1});
}

}  // namespace
}  // namespace halvera
