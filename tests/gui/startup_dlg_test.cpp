#include "dialogs/startup_dlg.h"

#include <gtest/gtest.h>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/main_frame.h"
#include "frame_fixture.h"
#include "store/event_kind.h"

namespace halvera {
namespace {

constexpr int TICK_MS = 10;

class StartupDlgTest : public ::testing::Test {
  protected:
    // Node records, event log lines and error log lines in the files, none in the lists yet.
    void WriteFiles(const std::vector<std::string>& ips, int events, int errors) {
        for (const std::string& ip : ips) {
            NodeRecord record = test::StoredNode(ip);
            ASSERT_GE(f.engine.Nodes().PutNode(record), 0);
        }
        for (int i = 0; i < events; ++i) {
            f.engine.Logs().WriteEventLog(test::StoredNode(ips.front()), "up", EVENT_NODE_UP);
        }
        for (int i = 0; i < errors; ++i) {
            f.engine.Logs().WriteErrorLog("netmond", "line");
        }
        f.tables.eventLog.Clear();
        f.tables.errorLog.Clear();
    }

    test::FrameFixture f;
};

TEST_F(StartupDlgTest, LoadsTheListsThenShowsTheMainWindowAndEndsTheStartUp) {
    WriteFiles({"192.168.0.10", "192.168.0.9", "192.168.0.1"}, 2, 1);
    AppSettings settings = f.settings.App();
    settings.BPOLING = 1;
    f.settings.SetApp(settings);
    CMainFrame frame(f.services, TICK_MS);
    CStartupDlg splash(f.engine, frame, TICK_MS);
    auto* bar = splash.findChild<QProgressBar*>();
    ASSERT_NE(bar, nullptr);
    splash.exec();

    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(bar->maximum(), 6);
    EXPECT_EQ(f.tables.nodeList.RowCount(), 3);
    EXPECT_EQ(f.tables.eventLog.RowCount(), 2);
    EXPECT_EQ(f.tables.errorLog.RowCount(), 1);
    EXPECT_EQ(f.banner.Text(), BuildSummaryText({true, true}, f.tables.nodeList.Counts()));
    // BPOLING: the first status poll about three seconds after start-up.
    EXPECT_EQ(f.engine.Runs().Timer().StatusCountdown(), 3);
}

TEST_F(StartupDlgTest, EmptyFilesGiveAnEmptyRangeAndStartUpCompletes) {
    CMainFrame frame(f.services, TICK_MS);
    CStartupDlg splash(f.engine, frame, TICK_MS);
    splash.exec();
    EXPECT_TRUE(frame.isVisible());
    // Empty, not Qt's busy animation (which a range of 0 .. 0 would show).
    const QProgressBar* bar = splash.findChild<QProgressBar*>();
    EXPECT_LT(bar->minimum(), bar->maximum());
    EXPECT_EQ(bar->value(), bar->minimum());
}

TEST_F(StartupDlgTest, StaysUntilLoadingEndsWhenItOutlastsTheTicks) {
    std::atomic<bool> hold{true};
    f.engine.beforeLoad = [&] {
        while (hold.load()) {
            std::this_thread::yield();
        }
    };
    CMainFrame frame(f.services, TICK_MS);
    CStartupDlg splash(f.engine, frame, TICK_MS);
    bool shownWhileLoading = true;
    QTimer::singleShot(20 * TICK_MS, [&] {
        shownWhileLoading = frame.isVisible() || !splash.isVisible() || !splash.IsLoading();
        hold = false;
    });
    splash.exec();
    EXPECT_FALSE(shownWhileLoading);
    EXPECT_TRUE(frame.isVisible());
}

}  // namespace
}  // namespace halvera
