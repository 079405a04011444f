#include "app/app_context.h"

#include <gtest/gtest.h>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "base/ini_file.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "dialogs/startup_dlg.h"
#include "net/probe_frame.h"
#include "store/event_kind.h"
#include "store/event_settings_store.h"
#include "store/settings_files.h"
#include "support/fake_packet_driver.h"
#include "support/monitor_flags.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/simulated_segment.h"
#include "support/temp_program_folder.h"
#include "views/left_view.h"
#include "views/veskar_view.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;

constexpr int TICK_MS = 10;
// Documentation addresses: nothing the fake driver is asked to send could reach a real host.
const Ipv4 OWN_IP = MakeIp(192, 0, 2, 2);

NodeRecord Node(int last, NodeStatus status, std::uint32_t monitor, TestBits bits, bool mac) {
    NodeRecord record;
    record.ip = MakeIp(192, 168, 0, last);
    if (mac) {
        record.mac = {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(last)};
    }
    record.status = status;
    record.monitor = monitor;
    record.testBits = bits;
    record.label = "node" + std::to_string(last);
    record.detected = "2024/01/01 00:00:00";
    record.updated = "2024/05/06 07:08:09";
    return record;
}

// The node database and the logs as an earlier run of the program left them.
void WriteEarlierRun(const std::vector<NodeRecord>& records, int errorLines) {
    test::RecordingPrompt prompt;
    test::RecordingErrorLog errorLog;
    NodeStore nodes(prompt, errorLog);
    ASSERT_EQ(nodes.InitNodeStore(), 0);
    for (NodeRecord record : records) {
        ASSERT_GE(nodes.PutNode(record), 0);
    }
    nodes.CloseNodeStore();
    SettingsStore settings;
    ListTable eventLog(EVENT_LOG_COLUMNS);
    ListTable errorLog2(ERROR_LOG_COLUMNS);
    LogStore logs(eventLog, errorLog2, prompt, settings);
    ASSERT_EQ(logs.Init(), 0);
    logs.WriteEventLog(records.front(), FormatIp(records.front().ip) + Sjis(" が起動しました"),
                       EVENT_NODE_UP);
    for (int i = 0; i < errorLines; ++i) {
        logs.WriteErrorLog("netmond", "line " + std::to_string(i));
    }
    logs.Close();
    ASSERT_TRUE(prompt.Boxes().empty());
}

void WriteSearchRange(Ipv4 start, Ipv4 end) {
    test::RecordingPrompt prompt;
    test::RecordingErrorLog errorLog;
    RangeStore ranges(RangeList::Search, prompt, errorLog);
    ASSERT_EQ(ranges.InitSearchRanges(), 0);
    ASSERT_EQ(ranges.AppendRange(start, end), 0);
}

// The program's start-up on a temporary program folder: stores, main frame, splash.
class AppContextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy_file(fs::path(HALVERA_SOURCE_DIR) / "res" / "back.jpg",
                      folder.Path() / "back.jpg");
    }

    // driver: a quiet segment with one adapter (fakeDriver) when none is given.
    void StartUp(std::unique_ptr<PacketDriver> driver = nullptr) {
        if (!driver) {
            auto fake = std::make_unique<test::FakePacketDriver>();
            fake->adapters = std::vector<CaptureAdapter>{
                {"veth0", "lab", OWN_IP, MakeIp(255, 255, 255, 0), {2, 0, 0, 0, 0, 2}}};
            fakeDriver = fake.get();
            driver = std::move(fake);
        }
        AppContext::Options options;
        options.engine.registryPath = folder.Path() / "datareg.reg";
        options.engine.driver = std::move(driver);
        context = std::make_unique<AppContext>(prompt, std::move(options));
        context->OpenStores();
        if (changeSettings) {
            AppSettings app = context->Monitor().Settings().App();
            changeSettings(app);
            context->Monitor().Settings().SetApp(app);
        }
        context->PrepareNetwork();
        frame = std::make_unique<CMainFrame>(context->Services(), TICK_MS);
        CStartupDlg splash(context->Monitor(), *frame, TICK_MS);
        auto* bar = splash.findChild<QProgressBar*>();
        ASSERT_NE(bar, nullptr);
        splash.exec();
        QTest::qWait(TICK_MS);
        progressMaximum = bar->maximum();
        ASSERT_TRUE(frame->isVisible());
        NodeModel()->ApplyPendingChanges();
    }

    ListTableModel* NodeModel() { return frame->UpperView()->NodeList()->Model(); }

    std::vector<std::string> NodeIps() {
        std::vector<std::string> ips;
        for (const NodeEntry& node : context->Monitor().Tables().nodeList.Snapshot()) {
            ips.push_back(FormatIp(node.ip));
        }
        return ips;
    }

    // The monitoring flags as NetDB.na holds them, read by a store of its own.
    std::vector<std::uint32_t> StoredFlags() {
        test::RecordingPrompt otherPrompt;
        test::RecordingErrorLog errorLog;
        NodeStore nodes(otherPrompt, errorLog);
        EXPECT_EQ(nodes.InitNodeStore(), 0);
        return test::MonitorFlags(nodes);
    }

    test::TempProgramFolder folder;
    test::RecordingPrompt prompt;
    std::function<void(AppSettings&)> changeSettings;
    test::FakePacketDriver* fakeDriver = nullptr;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<CMainFrame> frame;
    int progressMaximum = -1;
};

TEST_F(AppContextTest, StartsWithEmptyFiles) {
    StartUp();
    // Nothing to load: an empty bar of one step, not the busy animation of 0 .. 0.
    EXPECT_EQ(progressMaximum, 1);
    EXPECT_EQ(context->Monitor().Tables().nodeList.RowCount(), 0);
    EXPECT_EQ(context->Monitor().Tables().eventLog.RowCount(), 0);
    EXPECT_EQ(context->Monitor().Tables().errorLog.RowCount(), 0);
    EXPECT_GT(context->Monitor().Tables().settingsInfo.RowCount(), 0);
    for (const char* file :
         {"db/NetDB.na", "db/bNetDB.na", "db/NameDB.na", "db/SearchNodeDB.na", "log/log.log"}) {
        EXPECT_TRUE(fs::exists(folder.Path() / file)) << file;
    }
    for (const char* sub : {"tmp", "bin"}) {
        EXPECT_TRUE(fs::is_directory(folder.Path() / sub)) << sub;
    }
    EXPECT_TRUE(prompt.Boxes().empty());
    EXPECT_EQ(context->Monitor().LocalAdapter().ownAddress, OWN_IP);
    EXPECT_EQ(
        frame->InterfaceLine(),
        QString::fromUtf8(
            "ネットワークインターフェイス： ネットワークインターフェイスが選択されていません"));
    // New is greyed with an empty node list.
    frame->OnTimer();
    EXPECT_FALSE(frame->Actions().Action(ID_FILE_NEW_LIST)->isEnabled());
}

TEST_F(AppContextTest, StartsWithAPopulatedNodeDatabase) {
    WriteEarlierRun(
        {Node(1, NODE_UP, 1, TEST_B47 | TEST_B16 | TEST_B8, true), Node(2, NODE_UP, 1, 0, true),
         Node(3, NODE_DOWN, 0, TEST_B16, false), Node(4, NODE_NEVER_SEEN, 1, 0, true)},
        2);
    StartUp();
    // Progress over node records, event log lines and error log lines.
    EXPECT_EQ(progressMaximum, 4 + 1 + 2);
    EXPECT_EQ(context->Monitor().Tables().eventLog.RowCount(), 1);
    EXPECT_EQ(context->Monitor().Tables().errorLog.RowCount(), 2);

    struct Expected {
        const char* ip;
        bool checked;
        const char* b47;
        const char* b16;
        const char* b8;
        const char* mac;
        const char* st;
    };
    const Expected expected[] = {
        {"192.168.0.1", true, "●", "●", "●", "02-00-00-00-00-01", "x"},
        {"192.168.0.2", true, "", "", "", "02-00-00-00-00-02", "."},
        {"192.168.0.3", false, "", "●", "", "", ""},
        {"192.168.0.4", true, "", "", "", "02-00-00-00-00-04", ""},
    };
    const auto rows = context->Monitor().Tables().nodeList.Display().Snapshot();
    ASSERT_EQ(rows.size(), std::size(expected));
    ASSERT_EQ(NodeModel()->rowCount(), 4);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Expected& e = expected[i];
        const auto& cells = rows[i].cells;
        EXPECT_EQ(cells[NODE_COL_IP], e.ip);
        EXPECT_EQ(cells[NODE_COL_LABEL], "node" + std::to_string(i + 1));
        EXPECT_EQ(cells[NODE_COL_B47], Sjis(e.b47)) << e.ip;
        EXPECT_EQ(cells[NODE_COL_B16], Sjis(e.b16)) << e.ip;
        EXPECT_EQ(cells[NODE_COL_B8], Sjis(e.b8)) << e.ip;
        EXPECT_EQ(cells[NODE_COL_MAC], e.mac) << e.ip;
        EXPECT_EQ(cells[NODE_COL_ST], e.st) << e.ip;
        EXPECT_EQ(cells[NODE_COL_DETECTED], "2024/01/01 00:00:00") << e.ip;
        const QVariant check = NodeModel()->data(
            NodeModel()->index(static_cast<int>(i), NODE_COL_MONITOR), Qt::CheckStateRole);
        EXPECT_EQ(check.toInt(), e.checked ? Qt::Checked : Qt::Unchecked) << e.ip;
    }
    // The banner counts what was loaded: 1 up, 1 sniffing, 2 others.
    EXPECT_NE(context->Monitor().Banner().Text().find(
                  Sjis("ノード数： 4 [ 稼動： 1 / 停止： 2 / 盗聴： 1 ]")),
              std::string::npos);
    EXPECT_TRUE(prompt.Boxes().empty());
}

TEST_F(AppContextTest, SaveWritesChangedMonitoringFlagsToTheNodeFile) {
    WriteEarlierRun(
        {Node(1, NODE_UP, 1, 0, true), Node(2, NODE_UP, 0, 0, true), Node(3, NODE_UP, 1, 0, true)},
        0);
    StartUp();
    // The user clicks two check boxes.
    ASSERT_TRUE(NodeModel()->setData(NodeModel()->index(0, NODE_COL_MONITOR), Qt::Unchecked,
                                     Qt::CheckStateRole));
    ASSERT_TRUE(NodeModel()->setData(NodeModel()->index(1, NODE_COL_MONITOR), Qt::Checked,
                                     Qt::CheckStateRole));
    EXPECT_EQ(StoredFlags(), (std::vector<std::uint32_t>{1, 0, 1}));

    frame->Actions().Trigger(ID_FILE_SAVE_LIST);
    EXPECT_EQ(StoredFlags(), (std::vector<std::uint32_t>{0, 1, 1}));
    ASSERT_EQ(prompt.Texts().size(), 1u);
    EXPECT_EQ(prompt.Texts().back(), Sjis("ノードリストの最新データを保存しました。"));
}

TEST_F(AppContextTest, DeletingSeveralSelectedNodesRemovesOnlyTheFirstFromListAndStore) {
    WriteEarlierRun({Node(1, NODE_UP, 1, 0, true), Node(2, NODE_UP, 1, 0, true),
                     Node(3, NODE_UP, 1, 0, true), Node(4, NODE_UP, 1, 0, true)},
                    0);
    StartUp();
    ListControl* list = frame->UpperView()->NodeList();
    for (int row : {2, 1, 3}) {
        list->selectionModel()->select(NodeModel()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    prompt.SetAnswer(PROMPT_OK);
    frame->Actions().Trigger(ID_EDIT_DELETE);

    EXPECT_EQ(NodeIps(), (std::vector<std::string>{"192.168.0.1", "192.168.0.3", "192.168.0.4"}));
    NodeRecord record;
    context->Monitor().Nodes().FindNodeByIp(MakeIp(192, 168, 0, 2), record);
    EXPECT_EQ(record.ip, 0u);
    EXPECT_EQ(context->Monitor().Nodes().CountNodes(), 3u);
    EXPECT_EQ(StoredFlags().size(), 3u);
}

TEST_F(AppContextTest, ClosingSavesTheSettingsAndTheNewNodeListStaysEmpty) {
    WriteEarlierRun({Node(1, NODE_UP, 1, 0, true)}, 0);
    StartUp();
    prompt.SetAnswer(PROMPT_OK);
    frame->Actions().Trigger(ID_FILE_NEW_LIST);
    EXPECT_EQ(context->Monitor().Tables().nodeList.RowCount(), 0);

    QSignalSpy closed(frame.get(), &CMainFrame::FrameClosed);
    frame->close();
    ASSERT_EQ(closed.count(), 1);
    EXPECT_GT(ReadIniInt(SettingsFilePath(), "INIT", "MAPX", 0), 0);
    EXPECT_GT(ReadIniInt(SettingsFilePath(), "INIT", "MAPY", 0), 0);
    EXPECT_TRUE(StoredFlags().empty());
}

TEST_F(AppContextTest, ARangeSearchRunsThroughTheWiredStepsToItsCompletionMessage) {
    WriteSearchRange(MakeIp(192, 0, 2, 5), MakeIp(192, 0, 2, 6));
    // No name walk: it would send datagrams of its own, outside the fake driver.
    changeSettings = [](AppSettings& app) { app.WINS = 0; };
    StartUp();
    SearchRuns& runs = context->Monitor().Runs();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(frame.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(runs.IsRunActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !runs.IsRunActive(); }, 20000));

    // Both addresses were asked for (silence: nobody answered) and the run told the user.
    EXPECT_GE(fakeDriver->Sent().size(), 2u);
    EXPECT_EQ(context->Monitor().Tables().nodeList.RowCount(), 0);
    ASSERT_FALSE(prompt.Texts().empty());
    EXPECT_EQ(prompt.Texts().back(), Sjis("検索処理が終了しました。"));
    EXPECT_NE(context->Monitor().Banner().Text().find(Sjis("ノード数： 0")), std::string::npos);
}

TEST_F(AppContextTest, ANewNodesPopupGoesToThePopupRelay) {
    const Ipv4 host = MakeIp(192, 0, 2, 5);
    WriteSearchRange(host, host);
    {
        test::RecordingPrompt setupPrompt;
        test::RecordingErrorLog errorLog;
        EventSettingsStore events(setupPrompt, errorLog);
        EventSettings newNode;
        newNode.enabled = 1;
        newNode.popupText = Sjis("%IP を検出しました");
        ASSERT_EQ(events.PutEventSettings(EVENT_NEW_NODE, newNode), 0);
    }
    // No name walk, as above.
    changeSettings = [](AppSettings& app) { app.WINS = 0; };
    auto segment = std::make_unique<test::SimulatedSegment>();
    segment->SetHosts({{host, {2, 0, 0, 0, 0, 5}, 0}});
    StartUp(std::move(segment));
    SearchRuns& runs = context->Monitor().Runs();
    ASSERT_TRUE(runs.StartManualRun(SearchRuns::RunKind::RangeSearch));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !runs.IsRunActive(); }, 20000));

    ASSERT_EQ(NodeIps(), std::vector<std::string>{"192.0.2.5"});
    // This folder has no popup program: the relay, and only the relay, says so.
    std::vector<std::string> popupErrors;
    for (const auto& row : context->Monitor().Tables().errorLog.Snapshot()) {
        if (row.cells[ERRORLOG_COL_ACTION] == "popupd") {
            popupErrors.push_back(row.cells[ERRORLOG_COL_INFO]);
        }
    }
    EXPECT_EQ(popupErrors,
              std::vector<std::string>{Sjis("モジュールが見つかりません。(bin/Brevlet)")});
}

}  // namespace
}  // namespace halvera
