#include "app/main_frame.h"

#include <gtest/gtest.h>
#include <QDialog>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <string>
#include <vector>

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "base/busy_flag.h"
#include "base/text_codec.h"
#include "frame_fixture.h"
#include "views/left_view.h"
#include "views/veskar_view.h"

namespace halvera {
namespace {

constexpr int TICK_MS = 20;

class MainFrameTest : public ::testing::Test {
  protected:
    void AddNodes(const std::vector<std::string>& ips) {
        for (const auto& ip : ips) {
            f.tables.nodeList.Append(test::NodeRow(ip, ".", true));
        }
    }

    // Shows the frame and waits until the node list mirrors the core table.
    void Show() {
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        frame.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
        NodeModel()->ApplyPendingChanges();
    }

    ListTableModel* NodeModel() { return frame.UpperView()->NodeList()->Model(); }

    void SelectNodeRows(const std::vector<int>& rows) {
        ListControl* list = frame.UpperView()->NodeList();
        list->Model()->ApplyPendingChanges();
        for (int row : rows) {
            list->selectionModel()->select(list->Model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    std::vector<std::string> NodeIps() {
        std::vector<std::string> ips;
        for (const NodeEntry& node : f.tables.nodeList.Snapshot()) {
            ips.push_back(FormatIp(node.ip));
        }
        return ips;
    }

    bool Enabled(int id) { return frame.Actions().Action(id)->isEnabled(); }

    test::FrameFixture f;
    CMainFrame frame{f.services, TICK_MS};
};

TEST_F(MainFrameTest, EnableRulesFollowTheTabTheRunAndTheNodeList) {
    struct Case {
        const char* name;
        int tab;
        bool runActive;
        int nodeRows;
        std::vector<int> enabled;
        std::vector<int> disabled;
    };
    const Case cases[] = {
        {"node list, idle",
         TAB_NODE_LIST,
         false,
         2,
         {ID_FILE_NEW_LIST, ID_FILE_EXPORT_HTML, ID_FILE_EXPORT_CSV, ID_EDIT_LABEL, ID_EDIT_DELETE,
          ID_SORT_IP, ID_SORT_LABEL, ID_SEARCH_ALL_RANGES, ID_REFRESH_SELECTED},
         {}},
        {"settings tab disables both exports and delete",
         TAB_SETTINGS_INFO,
         false,
         2,
         {ID_FILE_SAVE_LIST, ID_APP_EXIT},
         {ID_FILE_EXPORT_HTML, ID_FILE_EXPORT_CSV, ID_EDIT_DELETE}},
        {"event log tab disables sort and label edit",
         TAB_EVENT_LOG,
         false,
         2,
         {ID_EDIT_DELETE, ID_FILE_EXPORT_CSV},
         {ID_SORT_LABEL, ID_SORT_IP, ID_SORT_MAC, ID_SORT_HOST, ID_SORT_DOMAIN, ID_EDIT_LABEL}},
        {"a run disables delete, sort and the search commands",
         TAB_NODE_LIST,
         true,
         2,
         {ID_EDIT_LABEL, ID_FILE_NEW_LIST, ID_SEARCH_SETTINGS},
         {ID_EDIT_DELETE, ID_SORT_IP, ID_SORT_DOMAIN, ID_SEARCH_ALL_RANGES, ID_REFRESH_NODE_LIST,
          ID_REFRESH_SELECTED, ID_SEARCH_ONE_NODE}},
        {"an empty node list disables New",
         TAB_NODE_LIST,
         false,
         0,
         {ID_FILE_SAVE_LIST},
         {ID_FILE_NEW_LIST}},
    };
    for (const auto& c : cases) {
        f.tables.nodeList.Clear();
        for (int i = 0; i < c.nodeRows; ++i) {
            f.tables.nodeList.Append(test::NodeRow("192.168.0." + std::to_string(i), ".", true));
        }
        f.runs.active = c.runActive;
        frame.UpperView()->SwitchTab(c.tab);
        frame.OnTimer();
        for (int id : c.enabled) {
            EXPECT_TRUE(Enabled(id)) << c.name << ": " << id;
        }
        for (int id : c.disabled) {
            EXPECT_FALSE(Enabled(id)) << c.name << ": " << id;
        }
    }
}

TEST_F(MainFrameTest, AGreyedCommandDoesNothingByItsShortcut) {
    Show();
    f.runs.active = true;
    frame.OnTimer();
    QTest::keyClick(&frame, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(f.runs.rangeSearches.load(), 0);

    // A run that started after the last evaluation still blocks the command.
    f.runs.active = false;
    frame.OnTimer();
    f.runs.active = true;
    QTest::keyClick(&frame, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(f.runs.rangeSearches.load(), 0);

    // The next tick enables the commands again.
    f.runs.active = false;
    frame.OnTimer();
    QTest::keyClick(&frame, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&frame, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(f.runs.rangeSearches.load(), 1);
    EXPECT_EQ(f.runs.listRefreshes.load(), 1);
}

// The visible items of a menu, by text.
QList<QAction*> Items(QMenu* menu) {
    QList<QAction*> items = menu->actions();
    items.removeIf([](QAction* action) { return action->isSeparator(); });
    return items;
}

QStringList Texts(const QList<QAction*>& items) {
    QStringList texts;
    for (QAction* item : items) {
        texts.push_back(item->text() + (item->shortcut().isEmpty() ? "" : "\t") +
                        item->shortcut().toString());
    }
    return texts;
}

TEST_F(MainFrameTest, PopupMenusShowPlainItemsThatRunTheirCommands) {
    AddNodes({"192.168.0.1"});
    Show();
    QMenu* nodePopup = nullptr;
    QMenu* trayMenu = nullptr;
    for (QMenu* menu : frame.findChildren<QMenu*>()) {
        const QStringList texts = Texts(Items(menu));
        if (texts == QStringList{"ノードのラベル編集", "選択ノードの最新ステータス取得",
                                 "選択データを削除する"}) {
            nodePopup = menu;
        } else if (texts == QStringList{"表示", "終了"}) {
            trayMenu = menu;
        }
    }
    ASSERT_NE(nodePopup, nullptr);
    ASSERT_NE(trayMenu, nullptr);

    SelectNodeRows({0});
    frame.OnTimer();
    QAction* refresh = Items(nodePopup)[1];
    EXPECT_TRUE(refresh->isEnabled());
    refresh->trigger();
    EXPECT_EQ(f.runs.selectedRefreshes, std::vector<int>{0});
    // Greyed with its command while a run is active.
    f.runs.active = true;
    frame.OnTimer();
    EXPECT_FALSE(refresh->isEnabled());

    // The help menu: the version first.
    QMenu* help = frame.menuBar()->actions().last()->menu();
    EXPECT_EQ(Texts(Items(help)), (QStringList{"バージョン(&V)", "ヘルプ(&H)"}));
}

TEST_F(MainFrameTest, SortByAddressOrdersTheListNumerically) {
    AddNodes({"192.168.0.10", "192.168.0.9", "192.168.0.100", "10.1.1.1"});
    Show();
    frame.Actions().Trigger(ID_SORT_IP);
    const std::vector<std::string> expected = {"10.1.1.1", "192.168.0.9", "192.168.0.10",
                                               "192.168.0.100"};
    EXPECT_EQ(NodeIps(), expected);
    NodeModel()->ApplyPendingChanges();
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(NodeModel()->data(NodeModel()->index(row, NODE_COL_IP), Qt::DisplayRole),
                  QString::fromStdString(expected[static_cast<std::size_t>(row)]));
    }
}

TEST_F(MainFrameTest, DeleteRemovesOnlyTheFirstSelectedNodeFromListAndStore) {
    AddNodes({"192.168.0.1", "192.168.0.2", "192.168.0.3", "192.168.0.4"});
    Show();
    SelectNodeRows({2, 1, 3});
    f.prompt.SetAnswer(PROMPT_OK);
    frame.Actions().Trigger(ID_EDIT_DELETE);

    EXPECT_EQ(NodeIps(), (std::vector<std::string>{"192.168.0.1", "192.168.0.3", "192.168.0.4"}));
    ASSERT_EQ(f.prompt.Boxes().size(), 2u);  // back.jpg missing, then the question
    EXPECT_EQ(f.prompt.Texts()[1], Sjis("選択ノードをマップから削除します。よろしいですか？"));
    EXPECT_EQ(f.banner.Text(), BuildSummaryText({true, true}, f.tables.nodeList.Counts()));
}

TEST_F(MainFrameTest, NodeCommandsAskBeforeActingAndNeedASelection) {
    AddNodes({"192.168.0.1", "192.168.0.2"});
    Show();
    struct Case {
        const char* name;
        int id;
        bool select;
        PromptResult answer;
        const char* lastText;
        int rowsLeft;
    };
    const Case cases[] = {
        {"delete without selection", ID_EDIT_DELETE, false, PROMPT_OK,
         "削除するノードを選択してください。", 2},
        {"delete cancelled", ID_EDIT_DELETE, true, PROMPT_CANCEL,
         "選択ノードをマップから削除します。よろしいですか？", 2},
        {"label edit without selection", ID_EDIT_LABEL, false, PROMPT_OK,
         "ラベルを編集するノードを選択してください。", 2},
        {"save", ID_FILE_SAVE_LIST, false, PROMPT_OK, "ノードリストの最新データを保存しました。",
         2},
        {"new cancelled", ID_FILE_NEW_LIST, false, PROMPT_CANCEL,
         "現在のノードリストを削除して新規ノードリストを開きます。よろしいですか？", 2},
        {"new", ID_FILE_NEW_LIST, false, PROMPT_OK,
         "現在のノードリストを削除して新規ノードリストを開きます。よろしいですか？", 0},
    };
    for (const auto& c : cases) {
        frame.UpperView()->NodeList()->clearSelection();
        if (c.select) {
            SelectNodeRows({0});
        }
        f.prompt.SetAnswer(c.answer);
        frame.Actions().Trigger(c.id);
        EXPECT_EQ(f.prompt.Texts().back(), Sjis(c.lastText)) << c.name;
        EXPECT_EQ(f.tables.nodeList.RowCount(), c.rowsLeft) << c.name;
    }
    EXPECT_TRUE(f.runs.nodeRefreshes.empty());
}

TEST_F(MainFrameTest, RefreshOfTheSelectedNodeHandsTheFirstSelectedRowToTheRuns) {
    AddNodes({"192.168.0.1", "192.168.0.2", "192.168.0.3"});
    Show();
    frame.Actions().Trigger(ID_REFRESH_SELECTED);
    SelectNodeRows({2, 1});
    frame.Actions().Trigger(ID_REFRESH_SELECTED);
    EXPECT_EQ(f.runs.selectedRefreshes, (std::vector<int>{-1, 1}));
}

TEST_F(MainFrameTest, ShortcutsReachTheFrameWhileAListHasTheFocus) {
    AddNodes({"192.168.0.1", "192.168.0.2", "192.168.0.3"});
    Show();
    SelectNodeRows({2, 1});
    ListControl* list = frame.UpperView()->NodeList();
    list->setFocus();
    // Ctrl+C and Ctrl+A are the program's search commands, not copy and select-all.
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(f.runs.selectedRefreshes, std::vector<int>{1});
    EXPECT_EQ(f.runs.rangeSearches.load(), 1);
}

TEST_F(MainFrameTest, ListSearchesSwitchToTheirTab) {
    struct Case {
        int id;
        int tab;
    };
    for (const Case c :
         {Case{ID_FIND_EVENT_LOG, TAB_EVENT_LOG}, Case{ID_FIND_NODE_LIST, TAB_NODE_LIST}}) {
        int tabWhileOpen = -1;
        // The tab is switched before the search dialog opens.
        QTimer::singleShot(0, [&] {
            tabWhileOpen = frame.UpperView()->CurrentTab();
            for (auto* dialog : frame.findChildren<QDialog*>()) {
                if (dialog->isVisible()) {
                    dialog->reject();
                }
            }
        });
        frame.Actions().Trigger(c.id);
        EXPECT_EQ(tabWhileOpen, c.tab) << c.id;
        EXPECT_EQ(frame.UpperView()->CurrentTab(), c.tab) << c.id;
    }
}

TEST_F(MainFrameTest, TheTickShowsThePollingLineWhenTheStatusBarAsksForIt) {
    struct Case {
        int stbar;
        const char* line;
        const char* shown;
    };
    const Case cases[] = {
        {3, "ポーリングタイマ－： 01：00：00 / 00：10：00",
         "ポーリングタイマ－： 01：00：00 / 00：10：00"},
        {1, "ポーリングタイマ－： 00：59：59 / 00：09：59", ""},
    };
    for (const auto& c : cases) {
        test::FrameFixture fixture;
        AppSettings settings;
        settings.STBAR = c.stbar;
        fixture.settings.SetApp(settings);
        fixture.runs.tickLine = Sjis(c.line);
        CMainFrame tickFrame(fixture.services, TICK_MS);
        tickFrame.OnTimer();
        EXPECT_EQ(fixture.runs.ticks.load(), 1);
        EXPECT_EQ(tickFrame.PollingLine(), QString::fromUtf8(c.shown)) << c.stbar;
    }
}

TEST_F(MainFrameTest, FirstSizeSplitsThePanesAndWritesTheInterfaceLine) {
    struct Case {
        const char* name;
        int mapx;
        int mapy;
        std::string adapter;
        const char* line;
    };
    const Case cases[] = {
        {"first start: 60 % for the upper pane", 0, 0, "",
         "ネットワークインターフェイス： ネットワークインターフェイスが選択されていません"},
        {"saved size", 900, 250, "eth0 (lab)", "ネットワークインターフェイス： eth0 (lab)"},
    };
    for (const auto& c : cases) {
        test::FrameFixture fixture;
        AppSettings settings;
        settings.MAPX = c.mapx;
        settings.MAPY = c.mapy;
        settings.ADPNAME = c.adapter;
        fixture.settings.SetApp(settings);
        CMainFrame splitFrame(fixture.services, TICK_MS);
        splitFrame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&splitFrame));
        const QList<int> sizes = splitFrame.Splitter()->sizes();
        const int height = splitFrame.Splitter()->height();
        const int expected = c.mapx == 0 ? static_cast<int>(height * 0.6) : c.mapy;
        EXPECT_NEAR(sizes[0], expected, 1) << c.name;
        EXPECT_EQ(splitFrame.InterfaceLine(), QString::fromUtf8(c.line)) << c.name;
        EXPECT_FALSE(fixture.banner.Text().empty()) << c.name;
    }
}

TEST_F(MainFrameTest, ColumnMasksHideColumnsButKeepThem) {
    test::FrameFixture fixture;
    AppSettings settings;
    settings.MAP = 0;
    settings.ELIST = 0x2;
    fixture.settings.SetApp(settings);
    CMainFrame maskFrame(fixture.services, TICK_MS);
    QHeaderView* nodeHeader = maskFrame.UpperView()->NodeList()->header();
    ASSERT_EQ(nodeHeader->count(), NODE_LIST_COLUMNS);
    for (int column = 0; column < NODE_LIST_COLUMNS; ++column) {
        const bool shown = column == NODE_COL_MONITOR || column == NODE_COL_ST;
        EXPECT_EQ(nodeHeader->sectionSize(column) > 0, shown) << column;
    }
    QHeaderView* eventHeader = maskFrame.LowerView()->EventList()->header();
    ASSERT_EQ(eventHeader->count(), EVENT_LIST_COLUMNS);
    for (int column = 0; column < EVENT_LIST_COLUMNS; ++column) {
        const bool shown =
            column == EVENT_COL_KIND || column == EVENT_COL_DATETIME || column == EVENT_COL_IP;
        EXPECT_EQ(eventHeader->sectionSize(column) > 0, shown) << column;
    }
}

TEST_F(MainFrameTest, ClosingDuringARunWaitsForItThenRunsTheShutdownSteps) {
    std::vector<std::string> steps;
    f.engine.onSave = [&] {
        const AppSettings saved = f.settings.App();
        steps.push_back("save " + std::to_string(saved.MAPX > 0 && saved.MAPY > 0));
    };
    f.engine.onClose = [&] { steps.push_back("close"); };
    BusyFlag nodeFileBusy;
    f.engine.fileBusy = [&] { return nodeFileBusy.IsBusy(); };
    Show();
    QSignalSpy closed(&frame, &CMainFrame::FrameClosed);

    f.runs.active = true;
    EXPECT_FALSE(frame.close());
    ASSERT_NE(frame.ExitWaitDialog(), nullptr);
    EXPECT_TRUE(frame.ExitWaitDialog()->isVisible());
    EXPECT_EQ(frame.ExitWaitDialog()->windowTitle(), QStringLiteral("Halvera: Waiting"));

    // No polled run starts while the program waits to end.
    const int ticks = f.runs.ticks.load();
    frame.OnTimer();
    EXPECT_EQ(f.runs.ticks.load(), ticks);

    // The run ends, but a file is still busy: still waiting.
    nodeFileBusy.Acquire();
    f.runs.active = false;
    QTest::qWait(5 * TICK_MS);
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(steps.empty());

    nodeFileBusy.Release();
    ASSERT_TRUE(closed.wait(5000));
    EXPECT_FALSE(frame.isVisible());
    EXPECT_EQ(steps, (std::vector<std::string>{"save 1", "close"}));
}

TEST_F(MainFrameTest, ClosingDuringARunStopsIt) {
    Show();
    f.runs.active = true;
    EXPECT_FALSE(frame.close());
    EXPECT_EQ(f.runs.stopRequests.load(), 1);
    f.runs.active = false;
    QSignalSpy closed(&frame, &CMainFrame::FrameClosed);
    ASSERT_TRUE(closed.wait(5000));
}

TEST_F(MainFrameTest, AFileIdleOnceTheWaitBoxIsUpClosesAtOnce) {
    // Busy at the close, idle again by the time the box is up.
    const std::vector<bool> answers{true};
    std::size_t asked = 0;
    f.engine.fileBusy = [&] { return asked < answers.size() && answers[asked++]; };
    Show();
    QSignalSpy closed(&frame, &CMainFrame::FrameClosed);
    EXPECT_TRUE(frame.close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(frame.ExitWaitDialog() != nullptr && frame.ExitWaitDialog()->isVisible());
}

TEST_F(MainFrameTest, AFileBusyAgainAtTheCloseKeepsTheWaitGoing) {
    // Busy at the close and still once the box is up, idle at the next tick, busy again when
    // that tick's close checks (a log line written by another thread in between), then idle
    // for good.
    const std::vector<bool> answers{true, true, false, true, true};
    std::size_t asked = 0;
    f.engine.fileBusy = [&] { return asked < answers.size() && answers[asked++]; };
    Show();
    QSignalSpy closed(&frame, &CMainFrame::FrameClosed);
    EXPECT_FALSE(frame.close());
    ASSERT_TRUE(closed.wait(5000));
    EXPECT_GE(asked, answers.size());
}

TEST_F(MainFrameTest, ClosingWhenIdleEndsAtOnce) {
    bool saved = false;
    f.engine.onSave = [&] { saved = true; };
    Show();
    QSignalSpy closed(&frame, &CMainFrame::FrameClosed);
    frame.Actions().Trigger(ID_APP_EXIT);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(saved);
    EXPECT_EQ(frame.ExitWaitDialog(), nullptr);
}

TEST_F(MainFrameTest, HideToTrayMinimisesWhereThereIsNoTray) {
    Show();
    QTest::keyClick(&frame, Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(frame.isMinimized());
    frame.BringToFront();
    EXPECT_FALSE(frame.isMinimized());
    EXPECT_TRUE(frame.isVisible());
}

TEST_F(MainFrameTest, ALaterStartRestoresTheWindowAsItWas) {
    struct Case {
        const char* name;
        Qt::WindowStates before;  // before it was minimised or hidden
        bool hidden;              // hidden to the tray instead of minimised
    };
    const Case cases[] = {
        {"minimised from normal", Qt::WindowNoState, false},
        {"minimised from maximised", Qt::WindowMaximized, false},
        {"hidden while maximised", Qt::WindowMaximized, true},
    };
    Show();
    for (const auto& c : cases) {
        frame.setWindowState(c.before);
        if (c.hidden) {
            frame.hide();
        } else {
            frame.setWindowState(c.before | Qt::WindowMinimized);
        }
        frame.BringToFront();
        EXPECT_TRUE(frame.isVisible()) << c.name;
        EXPECT_EQ(frame.windowState() & ~Qt::WindowActive, c.before) << c.name;
    }
}

TEST_F(MainFrameTest, ToolBarAndStatusBarTogglesFollowTheirCommands) {
    Show();
    QAction* toolBar = frame.Actions().Action(ID_VIEW_TOOLBAR);
    toolBar->trigger();
    EXPECT_FALSE(frame.ToolBar()->isVisible());
    EXPECT_FALSE(toolBar->isChecked());
    toolBar->trigger();
    EXPECT_TRUE(frame.ToolBar()->isVisible());

    frame.Actions().Action(ID_VIEW_STATUS_BAR)->trigger();
    EXPECT_FALSE(frame.statusBar()->isVisible());
}

TEST_F(MainFrameTest, TheToolBarCarriesTheCaptionsInOrder) {
    Show();
    QStringList captions;
    for (QAction* action : frame.ToolBar()->actions()) {
        captions.push_back(action->isSeparator() ? QStringLiteral("|") : action->iconText());
    }
    EXPECT_EQ(captions, (QStringList{"保存", "|", "HTML出力", "CVS出力", "|", "検索設定",
                                     "イベント設定", "|", "ヘルプ"}));
    EXPECT_EQ(frame.ToolBar()->iconSize(), QSize(24, 24));
    // Every button as wide as the widest: 保存 as wide as イベント設定.
    QSet<int> widths;
    for (QAction* action : frame.ToolBar()->actions()) {
        if (!action->isSeparator()) {
            widths.insert(frame.ToolBar()->widgetForAction(action)->width());
        }
    }
    EXPECT_EQ(widths.size(), 1);
    for (QAction* action : frame.ToolBar()->actions()) {
        EXPECT_TRUE(action->isSeparator() || !action->icon().isNull())
            << action->iconText().toStdString();
    }
}

// The close of the program as it runs (the frame's one-second timer) during a run held in
// a window of the longest TIMEOUT: the run is stopped, not waited out for a minute.
TEST(MainFrameClose, ClosingDuringALongWindowEndsWithinASecond) {
    // The bound is one second; a second more allows for a loaded machine, far below the
    // window's minute.
    constexpr qint64 STOP_BOUND_MS = 1000;
    constexpr qint64 LOAD_MARGIN_MS = 1000;
    test::FrameFixture f;
    f.engine.realRuns = true;
    f.driver.adapters = std::vector<CaptureAdapter>{
        {"eth0", "", InetAddr("192.168.1.7"), InetAddr("255.255.255.0"), {0x02, 0, 0, 0, 0, 7}}};
    AppSettings app = f.settings.App();
    app.TIMEOUT = 60000;
    app.WINS = 0;
    f.settings.SetApp(app);
    CMainFrame frame{f.services, 1000};
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    ASSERT_TRUE(
        f.engine.Runs().StartManualRun(SearchRuns::RunKind::NodeRefresh, InetAddr("192.168.1.20")));
    // Well inside the presence window by now.
    QTest::qWait(300);
    ASSERT_TRUE(f.engine.Runs().IsRunActive());

    QSignalSpy closed(&frame, &CMainFrame::FrameClosed);
    QElapsedTimer clock;
    clock.start();
    frame.close();
    ASSERT_TRUE(closed.count() == 1 || closed.wait(10000));
    EXPECT_LT(clock.elapsed(), STOP_BOUND_MS + LOAD_MARGIN_MS);
    EXPECT_EQ(f.engine.Runs().LastOutcome(), RunOutcome::Stopped);
    // No completion box holds the close.
    for (const auto& box : f.prompt.Boxes()) {
        EXPECT_NE(box.text, Sjis("検索処理が終了しました。"));
    }
}

}  // namespace
}  // namespace halvera
