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

namespace halvera {
namespace {

constexpr int TICK_MS = 10;

// A list file with a fixed number of rows; it appends them to its table as it loads.
class FakeLoader : public ListLoader {
  public:
    FakeLoader(ListTable& table, std::vector<std::string> ips) : m_table(table), m_ips(ips) {}

    int Count() override { return static_cast<int>(m_ips.size()); }
    void Load(Progress& progress, int firstPosition) override {
        while (hold.load()) {
            std::this_thread::yield();
        }
        firstPositions.push_back(firstPosition);
        for (std::size_t i = 0; i < m_ips.size(); ++i) {
            m_table.AppendRow(test::NodeRow(m_ips[i], ".", true));
            progress.SetPosition(firstPosition + static_cast<int>(i));
        }
    }

    std::atomic<bool> hold{false};
    std::vector<int> firstPositions;

  private:
    ListTable& m_table;
    std::vector<std::string> m_ips;
};

class StartupDlgTest : public ::testing::Test {
  protected:
    void SetOptions(int bsort, int sort, int bpoling) {
        AppSettings settings;
        settings.BSORT = bsort;
        settings.SORT = sort;
        settings.BPOLING = bpoling;
        f.settings.SetApp(settings);
    }

    std::vector<std::string> NodeIps() {
        std::vector<std::string> ips;
        for (const auto& row : f.tables.nodeList.Snapshot()) {
            ips.push_back(row.cells[NODE_COL_IP]);
        }
        return ips;
    }

    test::FrameFixture f;
    FakeLoader nodes{f.tables.nodeList, {"192.168.0.10", "192.168.0.9", "192.168.0.1"}};
    FakeLoader events{f.tables.eventLog, {"e1", "e2"}};
    FakeLoader errors{f.tables.errorLog, {"x1"}};
};

TEST_F(StartupDlgTest, LoadsTheListsInOrderThenShowsTheMainWindow) {
    f.services.loaders = {&nodes, &events, &errors};
    CMainFrame frame(f.services, TICK_MS);
    CStartupDlg splash(f.services, frame, TICK_MS);
    auto* bar = splash.findChild<QProgressBar*>();
    ASSERT_NE(bar, nullptr);
    splash.exec();

    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(bar->maximum(), 6);
    EXPECT_EQ(nodes.firstPositions, std::vector<int>{0});
    EXPECT_EQ(events.firstPositions, std::vector<int>{3});
    EXPECT_EQ(errors.firstPositions, std::vector<int>{5});
    EXPECT_EQ(f.tables.nodeList.RowCount(), 3);
    EXPECT_EQ(f.tables.eventLog.RowCount(), 2);
    EXPECT_EQ(f.tables.errorLog.RowCount(), 1);
    EXPECT_EQ(f.banner.Text(), BuildSummaryText({true, true}, f.tables.nodeList.Snapshot()));
    EXPECT_EQ(f.runs.statusCountdown.load(), -1);
}

TEST_F(StartupDlgTest, EmptyFilesGiveAnEmptyRangeAndStartUpCompletes) {
    FakeLoader empty(f.tables.nodeList, {});
    f.services.loaders = {&empty};
    CMainFrame frame(f.services, TICK_MS);
    CStartupDlg splash(f.services, frame, TICK_MS);
    splash.exec();
    EXPECT_TRUE(frame.isVisible());
    // Empty, not Qt's busy animation (which a range of 0 .. 0 would show).
    const QProgressBar* bar = splash.findChild<QProgressBar*>();
    EXPECT_LT(bar->minimum(), bar->maximum());
    EXPECT_EQ(bar->value(), bar->minimum());
}

TEST_F(StartupDlgTest, StaysUntilLoadingEndsWhenItOutlastsTheTicks) {
    f.services.loaders = {&nodes};
    nodes.hold = true;
    CMainFrame frame(f.services, TICK_MS);
    CStartupDlg splash(f.services, frame, TICK_MS);
    bool shownWhileLoading = true;
    QTimer::singleShot(20 * TICK_MS, [&] {
        shownWhileLoading = frame.isVisible() || !splash.isVisible() || !splash.IsLoading();
        nodes.hold = false;
    });
    splash.exec();
    EXPECT_FALSE(shownWhileLoading);
    EXPECT_TRUE(frame.isVisible());
}

TEST_F(StartupDlgTest, StartUpOptionsSortTheListAndBringTheStatusPollForward) {
    struct Case {
        const char* name;
        int bsort;
        int sort;
        int bpoling;
        std::vector<std::string> ips;
        int countdown;
    };
    const Case cases[] = {
        {"sort by address", 1, 1, 0, {"192.168.0.1", "192.168.0.9", "192.168.0.10"}, -1},
        {"SORT outside 1 to 5 sorts nothing",
         1,
         9,
         0,
         {"192.168.0.10", "192.168.0.9", "192.168.0.1"},
         -1},
        {"BSORT off sorts nothing", 0, 1, 0, {"192.168.0.10", "192.168.0.9", "192.168.0.1"}, -1},
        {"BPOLING starts the status poll after three seconds",
         0,
         0,
         1,
         {"192.168.0.10", "192.168.0.9", "192.168.0.1"},
         3},
    };
    for (const auto& c : cases) {
        f.tables.nodeList.Clear();
        f.runs.statusCountdown = -1;
        SetOptions(c.bsort, c.sort, c.bpoling);
        FakeLoader loader(f.tables.nodeList, {"192.168.0.10", "192.168.0.9", "192.168.0.1"});
        f.services.loaders = {&loader};
        CMainFrame frame(f.services, TICK_MS);
        CStartupDlg splash(f.services, frame, TICK_MS);
        splash.exec();
        // The sort is a posted command; it runs once the event loop comes round.
        QTest::qWait(2 * TICK_MS);
        EXPECT_EQ(NodeIps(), c.ips) << c.name;
        EXPECT_EQ(f.runs.statusCountdown.load(), c.countdown) << c.name;
    }
}

}  // namespace
}  // namespace halvera
