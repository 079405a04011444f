#include "monitor/poll_timer.h"

#include <gtest/gtest.h>

#include "base/text_codec.h"

namespace halvera {
namespace {

using Start = PollTimer::Start;

TEST(PollTimer, StatusTextForm) {
    EXPECT_EQ(Cp932ToUtf8(PollingStatusText(3600, 600)),
              "ポーリングタイマ－： 01：00：00 / 00：10：00");
    EXPECT_EQ(Cp932ToUtf8(PollingStatusText(86399, 0)),
              "ポーリングタイマ－： 23：59：59 / 00：00：00");
}

TEST(PollTimer, TickTable) {
    struct Case {
        const char* name;
        int newEnable, lookEnable, detection, status;
        bool manualRun, runActive;
        Start start;
        int detectionAfter, statusAfter;
        bool textShown;
    };
    // NEWTIME 60 and LOOKTIME 30 reload the countdowns.
    const Case cases[] = {
        {"both_count_down", 1, 1, 10, 20, false, false, PollTimer::START_NONE, 9, 19, true},
        {"detection_reaches_zero", 1, 1, 1, 20, false, false, PollTimer::START_RANGE_SEARCH, 60, 19,
         true},
        {"status_reaches_zero", 1, 1, 10, 1, false, false, PollTimer::START_LIST_REFRESH, 9, 30,
         true},
        {"both_zero_range_search_first", 1, 1, 1, 1, false, false, PollTimer::START_RANGE_SEARCH,
         60, 0, true},
        {"status_waits_at_zero_then_starts", 1, 1, 60, 0, false, false,
         PollTimer::START_LIST_REFRESH, 59, 30, true},
        {"run_active_keeps_counting_and_waits", 1, 1, 1, 1, false, true, PollTimer::START_NONE, 0,
         0, false},
        {"manual_run_blocks_polls", 1, 1, 0, 0, true, true, PollTimer::START_NONE, 0, 0, false},
        {"disabled_detection_keeps_its_value", 0, 1, 5, 20, false, false, PollTimer::START_NONE, 5,
         19, true},
        {"disabled_at_zero_still_starts", 0, 0, 0, 7, false, false, PollTimer::START_RANGE_SEARCH,
         60, 7, true},
    };
    for (const auto& c : cases) {
        AppSettings settings;
        settings.NEWENABLE = c.newEnable;
        settings.LOOKENABLE = c.lookEnable;
        settings.NEWTIME = 60;
        settings.LOOKTIME = 30;
        PollTimer timer;
        timer.SetCountdowns(c.detection, c.status);
        auto result = timer.Tick(settings, c.manualRun, c.runActive);
        EXPECT_EQ(result.start, c.start) << c.name;
        EXPECT_EQ(timer.NodeDetectionCountdown(), c.detectionAfter) << c.name;
        EXPECT_EQ(timer.StatusCountdown(), c.statusAfter) << c.name;
        EXPECT_EQ(!result.statusText.empty(), c.textShown) << c.name;
    }
}

TEST(PollTimer, StatusBarBitAndLoading) {
    AppSettings settings;
    settings.STBAR = 1;
    PollTimer timer;
    timer.Load(settings);
    EXPECT_EQ(timer.NodeDetectionCountdown(), 3600);
    EXPECT_EQ(timer.StatusCountdown(), 600);
    auto result = timer.Tick(settings, false, false);
    EXPECT_FALSE(result.showStatus);
    EXPECT_EQ(Cp932ToUtf8(result.statusText), "ポーリングタイマ－： 00：59：59 / 00：09：59");
    timer.ArmStartupPoll();
    EXPECT_EQ(timer.StatusCountdown(), 3);
}

TEST(PollTimer, BothAtSixtyStartRangeSearchThenRefreshAfterItEnds) {
    AppSettings settings;
    settings.NEWTIME = 60;
    settings.LOOKTIME = 60;
    PollTimer timer;
    timer.Load(settings);
    for (int i = 0; i < 59; ++i) {
        EXPECT_EQ(timer.Tick(settings, false, false).start, PollTimer::START_NONE);
    }
    EXPECT_EQ(timer.Tick(settings, false, false).start, PollTimer::START_RANGE_SEARCH);
    EXPECT_EQ(timer.Tick(settings, false, true).start, PollTimer::START_NONE);  // run still active
    EXPECT_EQ(timer.Tick(settings, false, false).start, PollTimer::START_LIST_REFRESH);
}

}  // namespace
}  // namespace halvera
