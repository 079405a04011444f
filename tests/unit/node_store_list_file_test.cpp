#include "monitor/node_store_list_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lists/list_tables.h"
#include "support/monitor_flags.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

NodeRecord Node(int last, std::uint32_t monitor) {
    NodeRecord record;
    record.ip = MakeIp(192, 168, 0, last);
    record.mac = {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(last)};
    record.status = NODE_UP;
    record.monitor = monitor;
    return record;
}

NodeEntry Row(int last, bool checked) {
    NodeEntry node;
    node.ip = MakeIp(192, 168, 0, last);
    node.monitored = checked;
    return node;
}

class NodeStoreListFileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(nodes.InitNodeStore(), 0); }

    test::TempProgramFolder folder;
    test::RecordingPrompt prompt;
    test::RecordingErrorLog errorLog;
    NodeStore nodes{prompt, errorLog};
    NodeStoreListFile file{nodes};
};

TEST_F(NodeStoreListFileTest, SaveStoresWhatTheCheckBoxesShow) {
    for (auto record : {Node(1, 1), Node(2, 0), Node(3, 1), Node(4, 0)}) {
        ASSERT_GE(nodes.PutNode(record), 0);
    }
    NodeTable list;
    // Node 1 unticked, node 2 ticked, node 3 has no row (it counts as unmonitored), node 4
    // stays unticked; the rows are in another order than the records.
    list.Append(Row(2, true));
    list.Append(Row(4, false));
    list.Append(Row(1, false));
    file.SaveMonitorFlags(list);
    EXPECT_EQ(test::MonitorFlags(nodes), (std::vector<std::uint32_t>{0, 1, 0, 0}));
    EXPECT_TRUE(prompt.Boxes().empty());
}

TEST_F(NodeStoreListFileTest, DeleteRemovesTheNode) {
    for (auto record : {Node(1, 1), Node(2, 1)}) {
        ASSERT_GE(nodes.PutNode(record), 0);
    }
    file.DeleteNode(MakeIp(192, 168, 0, 1));
    NodeRecord record;
    nodes.FindNodeByIp(MakeIp(192, 168, 0, 1), record);
    EXPECT_EQ(record.ip, 0u);
    EXPECT_EQ(nodes.CountNodes(), 1u);
}

TEST_F(NodeStoreListFileTest, ANewListIsEmptyAndKeptByLaterOpenings) {
    NodeRecord before = Node(1, 1);
    ASSERT_GE(nodes.PutNode(before), 0);
    file.RecreateEmpty();
    EXPECT_EQ(nodes.CountNodes(), 0u);

    // What is stored after New survives the next opening of the database.
    NodeRecord after = Node(7, 1);
    ASSERT_GE(nodes.PutNode(after), 0);
    nodes.CloseNodeStore();
    ASSERT_EQ(nodes.InitNodeStore(), 0);
    EXPECT_EQ(nodes.CountNodes(), 1u);
}

}  // namespace
}  // namespace halvera
