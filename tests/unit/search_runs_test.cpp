#include "monitor/search_runs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lists/list_tables.h"
#include "support/search_run_harness.h"

namespace halvera {
namespace {

using test::SearchRunHarness;
using Calls = std::vector<std::string>;

constexpr const char* FINISHED = "info 検索処理が終了しました。 (active)";

// The runs over the harness, with the prompt reporting the runs' own flag.
struct RunsFixture {
    RunsFixture() {
        h.runActive = [this] { return runs.IsRunActive(); };
    }

    // Starts a range search over start..end whose first probe is held.
    void StartHeldRangeSearch(const char* start, const char* end) {
        h.AddRange(start, end);
        h.steps.HoldProbes();
        ASSERT_TRUE(runs.StartManualRun(SearchRuns::RunKind::RangeSearch));
        h.steps.WaitForProbes(1);
    }

    int InfoPrompts() const {
        int count = 0;
        for (const auto& call : h.steps.Calls()) {
            count += call.rfind("info ", 0) == 0 ? 1 : 0;
        }
        return count;
    }

    SearchRunHarness h;
    SearchRuns runs{h.Context(), h.nodeList};
};

TEST(SearchRuns, OneRunAtATime) {
    RunsFixture f;
    f.StartHeldRangeSearch("192.168.1.1", "192.168.1.3");
    EXPECT_FALSE(f.runs.IsIdle());
    EXPECT_FALSE(f.runs.StartManualRun(SearchRuns::RunKind::RangeSearch));
    EXPECT_FALSE(f.runs.StartManualRun(SearchRuns::RunKind::ListRefresh));
    EXPECT_FALSE(f.runs.StartManualRun(SearchRuns::RunKind::NodeRefresh, InetAddr("192.168.1.9")));
    EXPECT_FALSE(f.runs.RefreshSelectedNode(-1));
    f.h.steps.ReleaseAll();
    f.runs.WaitForRun();

    EXPECT_TRUE(f.runs.IsIdle());
    EXPECT_EQ(f.h.steps.ProbedAddresses(),
              (std::vector<Ipv4>{InetAddr("192.168.1.1"), InetAddr("192.168.1.2"),
                                 InetAddr("192.168.1.3")}));
    // The refused selected-node command said nothing either.
    EXPECT_EQ(f.InfoPrompts(), 1);
    EXPECT_EQ(f.runs.LastOutcome(), RunOutcome::Completed);
    ASSERT_TRUE(f.runs.StartManualRun(SearchRuns::RunKind::ListRefresh));
    f.runs.WaitForRun();
    EXPECT_EQ(f.InfoPrompts(), 2);
}

TEST(SearchRuns, SelectedNodeCommand) {
    struct Case {
        const char* name;
        int selectedRow;
        Calls calls;
    };
    const Case cases[] = {
        {"no_row_selected", -1, {"stop 検索ノードを選択してください。"}},
        {"row_gone_since_selection", 2, {"stop 検索ノードを選択してください。"}},
        {"second_row",
         1,
         {"begin", "summary 【ノード検索】 検索準備中 . . .", "probe 192.168.1.44", FINISHED,
          "flush", "summary", "end", "release"}},
    };
    for (const auto& c : cases) {
        RunsFixture f;
        for (const char* ip : {"192.168.1.33", "192.168.1.44"}) {
            NodeEntry node;
            node.ip = InetAddr(ip);
            f.h.nodeList.Append(node);
        }
        EXPECT_EQ(f.runs.RefreshSelectedNode(c.selectedRow), c.selectedRow == 1) << c.name;
        f.runs.WaitForRun();
        EXPECT_EQ(f.h.steps.Calls(), c.calls) << c.name;
        EXPECT_TRUE(f.runs.IsIdle()) << c.name;
    }
}

TEST(SearchRuns, PollsWaitForRunsAndRangeSearchGoesFirst) {
    RunsFixture f;
    f.h.AddRange("192.168.1.1", "192.168.1.2");
    f.h.StoreNode("192.168.1.50", NODE_UP, 1);
    f.h.steps.checked[InetAddr("192.168.1.50")] = 1;
    f.h.ChangeApp([](AppSettings& app) {
        app.NEWTIME = 1;
        app.LOOKTIME = 1;
    });
    f.runs.LoadCountdowns();
    f.h.ChangeApp([](AppSettings& app) {
        app.NEWTIME = 60;
        app.LOOKTIME = 60;
    });

    // A manual run holds both polls back while their countdowns reach 0.
    f.h.steps.HoldProbes();
    ASSERT_TRUE(f.runs.StartManualRun(SearchRuns::RunKind::NodeRefresh, InetAddr("192.168.1.9")));
    f.h.steps.WaitForProbes(1);
    EXPECT_EQ(f.runs.TickTimer().start, PollTimer::START_NONE);
    EXPECT_EQ(f.runs.TickTimer().statusText, "");
    f.h.steps.ReleaseAll();
    f.runs.WaitForRun();

    // Both at 0: the range search starts, as a polled run that ends without a message.
    f.h.steps.HoldProbes();
    EXPECT_EQ(f.runs.TickTimer().start, PollTimer::START_RANGE_SEARCH);
    EXPECT_FALSE(f.runs.IsManualRun());
    f.h.steps.WaitForProbes(2);
    EXPECT_FALSE(f.runs.StartManualRun(SearchRuns::RunKind::RangeSearch));
    EXPECT_EQ(f.runs.TickTimer().start, PollTimer::START_NONE);
    f.h.steps.ReleaseAll();
    f.runs.WaitForRun();

    // The status poll follows at the first tick after it.
    EXPECT_EQ(f.runs.TickTimer().start, PollTimer::START_LIST_REFRESH);
    f.runs.WaitForRun();
    EXPECT_EQ(f.h.steps.ProbedAddresses(),
              (std::vector<Ipv4>{InetAddr("192.168.1.9"), InetAddr("192.168.1.1"),
                                 InetAddr("192.168.1.2"), InetAddr("192.168.1.50")}));
    EXPECT_EQ(f.InfoPrompts(), 1);
    // The detection countdown went on counting during both runs.
    EXPECT_EQ(f.runs.Timer().NodeDetectionCountdown(), 58);
    EXPECT_EQ(f.runs.Timer().StatusCountdown(), 60);
}

TEST(SearchRuns, ShutdownEndsTheRunAfterItsCurrentAddress) {
    RunsFixture f;
    f.StartHeldRangeSearch("192.168.1.1", "192.168.1.10");
    f.runs.RequestStop();
    f.h.steps.ReleaseAll();
    f.runs.Shutdown(true);

    EXPECT_EQ(f.h.steps.Calls(),
              (Calls{"begin", "summary 【ノード検索】 検索準備中 . . .", "probe 192.168.1.1",
                     FINISHED, "flush", "summary", "end", "release"}));
    EXPECT_EQ(f.runs.LastOutcome(), RunOutcome::Stopped);
    EXPECT_FALSE(f.runs.IsRunActive());
    EXPECT_FALSE(f.runs.StartManualRun(SearchRuns::RunKind::RangeSearch));
    f.h.ChangeApp([](AppSettings& app) { app.NEWTIME = 0; });
    f.runs.LoadCountdowns();
    f.runs.TickTimer();
    EXPECT_FALSE(f.runs.IsRunActive());
}

}  // namespace
}  // namespace halvera
