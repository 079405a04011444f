#include "monitor/monitor_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/file_opener.h"
#include "base/ini_file.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "lists/summary_banner.h"
#include "store/event_kind.h"
#include "store/event_settings_store.h"
#include "store/line_codec.h"
#include "store/node_line.h"
#include "store/settings_files.h"
#include "support/blocked_file.h"
#include "support/fake_packet_driver.h"
#include "support/file_bytes.h"
#include "support/recording_desktop_actions.h"
#include "support/recording_popup.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;

class MonitorEngineTest : public ::testing::Test {
  protected:
    // A log that cannot be opened fails at once instead of after the stores' retries.
    MonitorEngineTest() {
        SetRetryWait([](std::chrono::milliseconds) {});
    }
    ~MonitorEngineTest() override { SetRetryWait(nullptr); }
};

// A first start on a program folder that has only its settings file, with a registry key
// that lacks the mail values: the settings report that to the error log, which lives in
// log/, before the logs are opened.
TEST_F(MonitorEngineTest, OpeningAFolderWithoutWorkingFoldersKeepsTheSettingsErrors) {
    test::TempProgramFolder folder;
    for (const fs::path& sub : {DbFolder(), TmpFolder(), LogFolder(), BinFolder()}) {
        fs::remove_all(sub);
    }
    test::WriteBytes(SettingsFilePath(), "[INIT]\r\n");
    const fs::path registry = folder.Path() / "datareg.reg";
    test::WriteBytes(registry, "REGEDIT4\r\n\r\n[" + std::string(USER_REGISTRY_KEY) + "]\r\n");

    test::RecordingPrompt prompt;
    test::RecordingPopup popup;
    test::RecordingDesktopActions desktop;
    MonitorEngineOptions options;
    options.registryPath = registry;
    options.driver = std::make_unique<test::FakePacketDriver>();
    MonitorEngine engine({prompt, popup, desktop}, std::move(options));

    EXPECT_TRUE(engine.Open());
    // One box for the settings, none for a log that could not be written.
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{Sjis("設定データの読込みに失敗しました。")});
    const std::string errorLog = test::ReadBytes(LogFolder() / "alog.log");
    EXPECT_NE(errorLog.find("confd,"), std::string::npos) << Cp932ToUtf8Lossy(errorLog);
    EXPECT_NE(errorLog.find(Sjis("設定データの読込みに失敗しました")), std::string::npos);
}

// Records where a progress bar was moved.
class RecordingProgress : public Progress {
  public:
    void SetRange(int low, int high) override { range = {low, high}; }
    void SetPosition(int position) override {
        positions.push_back(position);
        m_position = position;
    }
    int Position() const override { return m_position; }

    std::pair<int, int> range{-1, -1};
    std::vector<int> positions;

  private:
    int m_position = 0;
};

// An engine opened on a fresh program folder, with the files of an earlier run.
class OpenedEngineTest : public MonitorEngineTest {
  protected:
    OpenedEngineTest() {
        MonitorEngineOptions options;
        options.registryPath = folder.Path() / "datareg.reg";
        auto fake = std::make_unique<test::FakePacketDriver>();
        driver = fake.get();
        options.driver = std::move(fake);
        engine = std::make_unique<MonitorEngine>(MonitorPorts{prompt, popup, desktop},
                                                 std::move(options));
        EXPECT_TRUE(engine->Open());
    }

    static NodeRecord StoredNode(const char* ip) {
        NodeRecord record;
        record.ip = InetAddr(ip);
        record.mac = {2, 0, 0, 0, 0, static_cast<std::uint8_t>(record.ip >> 24)};
        record.status = NODE_UP;
        record.monitor = 1;
        record.label = Sjis("node ") + ip;
        return record;
    }

    void StoreNodes(const std::vector<const char*>& ips) {
        for (const char* ip : ips) {
            NodeRecord record = StoredNode(ip);
            ASSERT_GE(engine->Nodes().PutNode(record), 0);
        }
    }

    void SetSettings(int bsort, int sort, int bpoling) {
        AppSettings app = engine->Settings().App();
        app.BSORT = bsort;
        app.SORT = sort;
        app.BPOLING = bpoling;
        engine->Settings().SetApp(app);
    }

    std::vector<std::string> NodeIps() {
        std::vector<std::string> ips;
        for (const NodeEntry& node : engine->Tables().nodeList.Snapshot()) {
            ips.push_back(FormatIp(node.ip));
        }
        return ips;
    }

    test::TempProgramFolder folder;
    test::RecordingPrompt prompt;
    test::RecordingPopup popup;
    test::RecordingDesktopActions desktop;
    test::FakePacketDriver* driver = nullptr;
    std::unique_ptr<MonitorEngine> engine;
};

TEST_F(OpenedEngineTest, TheStartUpLoadFillsTheListsInOrderOverOneProgress) {
    StoreNodes({"192.168.0.10", "192.168.0.9", "192.168.0.1"});
    for (int i = 0; i < 2; ++i) {
        engine->Logs().WriteEventLog(NodeRecord{}, "up", EVENT_NODE_UP);
    }
    engine->Logs().WriteErrorLog("netmond", "line");
    engine->Tables().eventLog.Clear();
    engine->Tables().errorLog.Clear();

    RecordingProgress progress;
    engine->LoadLists(StartupLists::All, &progress);
    EXPECT_EQ(progress.range, std::make_pair(0, 6));
    // Node rows by index, then log rows by the count read so far, ending on the maximum.
    EXPECT_EQ(progress.positions, (std::vector<int>{0, 0, 1, 2, 4, 5, 6}));
    EXPECT_EQ(engine->Tables().nodeList.RowCount(), 3);
    EXPECT_EQ(engine->Tables().eventLog.RowCount(), 2);
    EXPECT_EQ(engine->Tables().errorLog.RowCount(), 1);
    EXPECT_EQ(engine->Banner().Text(),
              BuildSummaryText({true, true}, engine->Tables().nodeList.Counts()));

    // halvera-cli loads the node list alone: the logs are read when a command asks.
    engine->Tables().nodeList.Clear();
    engine->Tables().eventLog.Clear();
    engine->LoadLists(StartupLists::NodeList, nullptr);
    EXPECT_EQ(engine->Tables().nodeList.RowCount(), 3);
    EXPECT_EQ(engine->Tables().eventLog.RowCount(), 0);
}

TEST_F(OpenedEngineTest, StartUpOptionsSortTheListAndBringTheStatusPollForward) {
    StoreNodes({"192.168.0.10", "192.168.0.9", "192.168.0.1"});
    const std::vector<std::string> fileOrder = {"192.168.0.10", "192.168.0.9", "192.168.0.1"};
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
        {"sort by label", 1, 3, 0, {"192.168.0.1", "192.168.0.10", "192.168.0.9"}, -1},
        {"SORT outside 1 to 5 sorts nothing", 1, 9, 0, fileOrder, -1},
        {"BSORT off sorts nothing", 0, 1, 0, fileOrder, -1},
        {"BPOLING brings the status poll to three seconds", 0, 0, 1, fileOrder, 3},
    };
    for (const auto& c : cases) {
        engine->Tables().nodeList.Clear();
        SetSettings(c.bsort, c.sort, c.bpoling);
        engine->PrepareRuns();
        const int loaded = engine->Runs().Timer().StatusCountdown();
        engine->LoadLists(StartupLists::NodeList, nullptr);
        engine->FinishStartup();
        EXPECT_EQ(NodeIps(), c.ips) << c.name;
        EXPECT_EQ(engine->Runs().Timer().StatusCountdown(), c.countdown < 0 ? loaded : c.countdown)
            << c.name;
    }
}

TEST_F(OpenedEngineTest, NewAndDeleteChangeTheListTheBannerAndTheNodeDatabase) {
    StoreNodes({"192.168.0.1", "192.168.0.2", "192.168.0.3"});
    engine->LoadLists(StartupLists::NodeList, nullptr);
    engine->Tables().eventList.AppendRow({});

    engine->DeleteNode(1);
    engine->DeleteNode(7);  // gone since it was selected: nothing happens
    EXPECT_EQ(NodeIps(), (std::vector<std::string>{"192.168.0.1", "192.168.0.3"}));
    EXPECT_EQ(engine->Nodes().CountNodes(), 2u);
    EXPECT_NE(engine->Banner().Text().find(Sjis("ノード数： 2")), std::string::npos);

    engine->NewNodeList();
    EXPECT_EQ(engine->Tables().nodeList.RowCount(), 0);
    EXPECT_EQ(engine->Tables().eventList.RowCount(), 0);
    EXPECT_EQ(engine->Nodes().CountNodes(), 0u);
    EXPECT_NE(engine->Banner().Text().find(Sjis("ノード数： 0")), std::string::npos);
    EXPECT_TRUE(prompt.Boxes().empty());
}

TEST_F(OpenedEngineTest, ALabelEditRewritesTheNodeRecordAndTheRow) {
    StoreNodes({"192.168.0.1", "192.168.0.2"});
    engine->LoadLists(StartupLists::NodeList, nullptr);
    const std::string wholeFile = test::ReadBytes(DbFolder() / "NetDB.na");
    const std::string firstLine = wholeFile.substr(0, NODE_LINE_SIZE);
    const std::string size = Sjis("サイズが不正です。(36Byteまで)");
    const std::string comma = Sjis("設定値に , を使用することはできません。");
    const std::string noRow = Sjis("ラベルを編集するノードを選択してください。");
    struct Case {
        const char* name;
        int row;
        const char* label;  // UTF-8
        CommandResult::Outcome outcome;
        std::string message;
        const char* stored;  // the label of 192.168.0.2 afterwards, in its record and its row
    };
    // In order: each case starts from the label the one before left.
    const Case cases[] = {
        {"a shorter label leaves no remainder of the old one", 1, "pc", CommandResult::DONE, "",
         "pc"},
        {"36 bytes", 1, "受付受付受付受付受付受付受付受付受付", CommandResult::DONE, "",
         "受付受付受付受付受付受付受付受付受付"},
        {"37 bytes", 1, "受付受付受付受付受付受付受付受付受付x", CommandResult::REFUSED, size,
         "受付受付受付受付受付受付受付受付受付"},
        {"a comma", 1, "pc,02", CommandResult::REFUSED, comma,
         "受付受付受付受付受付受付受付受付受付"},
        {"an empty label clears it", 1, "", CommandResult::DONE, "", ""},
        {"a row that is gone", 2, "pc", CommandResult::REFUSED, noRow, ""},
        {"no row", -1, "pc", CommandResult::REFUSED, noRow, ""},
    };
    for (const auto& c : cases) {
        const CommandResult change = engine->SetNodeLabel(c.row, Sjis(c.label));
        EXPECT_EQ(change.outcome, c.outcome) << c.name;
        EXPECT_EQ(change.message, c.message) << c.name;
        EXPECT_EQ(engine->Tables().nodeList.At(1)->label, Sjis(c.stored)) << c.name;
        NodeRecord expected = StoredNode("192.168.0.2");
        expected.label = Sjis(c.stored);
        const std::string file = test::ReadBytes(DbFolder() / "NetDB.na");
        ASSERT_EQ(file.size(), 2 * NODE_LINE_SIZE) << c.name;
        EXPECT_EQ(file.substr(0, NODE_LINE_SIZE), firstLine) << c.name;
        EXPECT_EQ(file.substr(NODE_LINE_SIZE), StoreLine(FormatNodeLine(expected), NODE_LINE_SIZE))
            << c.name;
    }
    EXPECT_EQ(engine->Tables().nodeList.At(0)->label, Sjis("node 192.168.0.1"));
    EXPECT_TRUE(prompt.Boxes().empty());
}

TEST_F(OpenedEngineTest, ALabelEditOfANodeWithoutARecordChangesNothing) {
    StoreNodes({"192.168.0.1"});
    engine->LoadLists(StartupLists::NodeList, nullptr);
    NodeEntry unstored;
    unstored.ip = InetAddr("192.168.0.9");
    unstored.label = "old";
    engine->Tables().nodeList.Append(unstored);
    const std::string file = test::ReadBytes(DbFolder() / "NetDB.na");

    EXPECT_EQ(engine->SetNodeLabel(1, "new").outcome, CommandResult::FAILED);
    EXPECT_EQ(engine->Tables().nodeList.Display().Cell(1, NODE_COL_LABEL), "old");
    EXPECT_EQ(test::ReadBytes(DbFolder() / "NetDB.na"), file);
}

TEST_F(OpenedEngineTest, SearchSettingsAreStoredOnlyWhenEveryFieldPasses) {
    driver->adapters = std::vector<CaptureAdapter>{
        {"eth0", "", InetAddr("10.0.0.2"), InetAddr("255.0.0.0"), {2, 0, 0, 0, 0, 1}},
        {"eth1", "lab", InetAddr("198.18.7.2"), InetAddr("255.255.255.0"), {2, 0, 0, 0, 0, 2}}};
    ASSERT_EQ(engine->SearchRanges().AppendRange(InetAddr("10.0.0.1"), InetAddr("10.0.0.9")), 0);
    engine->SaveSettings();
    const AppSettings before = engine->Settings().App();
    const std::string settingsFile = test::ReadBytes(SettingsFilePath());
    const std::string rangeFile = test::ReadBytes(DbFolder() / "SearchNodeDB.na");
    ASSERT_FALSE(rangeFile.empty());

    SearchSettingsEntry good = SearchSettingsEntryOf(before);
    good.adapter = 1;
    good.newTime = "2";
    good.newUnit = 1;
    good.numbers["TIMEOUT"] = "250";
    good.numbers["RETRY"] = "0";
    good.numbers["SENDRATE"] = "20";
    good.ranges = std::vector<IpRange>{{InetAddr("198.18.7.1"), InetAddr("198.18.7.254")}};
    struct Case {
        const char* name;
        void (*spoil)(SearchSettingsEntry&);
        std::string message;
    };
    const Case refused[] = {
        {"time-out 0", [](SearchSettingsEntry& e) { e.numbers["TIMEOUT"] = "0"; },
         Sjis("タイムアウト値が不正です。(1～60000msec)")},
        {"retry 101", [](SearchSettingsEntry& e) { e.numbers["RETRY"] = "101"; },
         Sjis("再送回数が不正です。(0～100回)")},
        {"send rate 0", [](SearchSettingsEntry& e) { e.numbers["SENDRATE"] = "0"; },
         Sjis("送信レートが不正です。(1～100000フレーム/秒)")},
        {"no such adapter", [](SearchSettingsEntry& e) { e.adapter = 2; },
         Sjis("ネットワークアダプタが不正です。")},
        {"interval too long",
         [](SearchSettingsEntry& e) {
             e.lookTime = "99999";
             e.lookUnit = 2;
         },
         Sjis("ポーリング間隔が不正です。")},
        {"reversed range",
         [](SearchSettingsEntry& e) {
             e.ranges->push_back({InetAddr("10.0.0.9"), InetAddr("10.0.0.1")});
         },
         Sjis("アドレス範囲が不正です。")},
    };
    for (const Case& c : refused) {
        SearchSettingsEntry entry = good;
        c.spoil(entry);
        const CommandResult change = engine->ApplySearchSettings(entry);
        EXPECT_EQ(change.outcome, CommandResult::REFUSED) << c.name;
        EXPECT_EQ(change.message, c.message) << c.name;
        EXPECT_EQ(engine->Settings().App(), before) << c.name;
        EXPECT_EQ(test::ReadBytes(SettingsFilePath()), settingsFile) << c.name;
        EXPECT_EQ(test::ReadBytes(DbFolder() / "SearchNodeDB.na"), rangeFile) << c.name;
    }

    const CommandResult change = engine->ApplySearchSettings(good);
    EXPECT_EQ(change.outcome, CommandResult::DONE);
    const AppSettings after = engine->Settings().App();
    EXPECT_EQ(after.ADPNUM, 1);
    EXPECT_EQ(after.ADPNAME, "eth1 (lab)");
    EXPECT_EQ(after.NEWTIME, 7200);
    EXPECT_EQ(after.NEWTIMEUNIT, 3600);
    EXPECT_EQ(after.TIMEOUT, 250);
    EXPECT_EQ(after.RETRY, 0);
    EXPECT_EQ(after.SENDRATE, 20);
    EXPECT_EQ(test::ReadBytes(DbFolder() / "SearchNodeDB.na"),
              EncodeLine("198.18.7.1,198.18.7.254", 23) + "\r\n");
    // The own adapter follows the choice at once.
    EXPECT_EQ(engine->LocalAdapter().ownAddress, InetAddr("198.18.7.2"));
}

// The settings information list's value beside a setting of its right column pair.
std::vector<std::string> RightValues(const ListTable& summary) {
    std::vector<std::string> values;
    for (const ListRow& row : summary.Snapshot()) {
        values.push_back(row.cells[3]);
    }
    return values;
}

bool Contains(const std::vector<std::string>& values, const std::string& value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

TEST_F(OpenedEngineTest, AnEventRecordIsStoredOnlyWhenItPasses) {
    const fs::path eventFile = DbFolder() / "EventDB.na";
    EventSettings record;
    record.enabled = 1;
    record.log = 1;
    record.mailText = Sjis("機器 %MAC");
    record.soundFile = "bell.wav";

    EventSettings refused = record;
    refused.soundFile = "bell.mp3";
    const std::string before = test::ReadBytes(eventFile);
    const CommandResult no = engine->PutEventSettings(EVENT_DEVICE_CHANGE, refused);
    EXPECT_EQ(no.outcome, CommandResult::REFUSED);
    EXPECT_EQ(no.message, Sjis("サウンド再生ファイルが不正です。( .wav )"));
    EXPECT_EQ(test::ReadBytes(eventFile), before);
    EXPECT_EQ(engine->ReadEventSettings(EVENT_DEVICE_CHANGE), EventSettings{});

    const CommandResult yes = engine->PutEventSettings(EVENT_DEVICE_CHANGE, record);
    EXPECT_EQ(yes.outcome, CommandResult::DONE);
    EXPECT_EQ(engine->ReadEventSettings(EVENT_DEVICE_CHANGE), record);
    // The settings information list shows it at once.
    EXPECT_TRUE(Contains(RightValues(engine->Tables().settingsInfo), Sjis("機器 %MAC")));
    EXPECT_TRUE(prompt.Texts().empty());
}

TEST_F(OpenedEngineTest, AFirstStartShowsTheFoundNodesAndALaterOneKeepsTheUsersChoice) {
    EXPECT_EQ(engine->ReadEventSettings(EVENT_NEW_NODE), FirstStartEventSettings(EVENT_NEW_NODE));
    EXPECT_EQ(engine->ReadEventSettings(EVENT_SNIFFING_NODE).popupText,
              FirstStartEventSettings(EVENT_SNIFFING_NODE).popupText);
    ASSERT_EQ(engine->PutEventSettings(EVENT_NEW_NODE, EventSettings{}).outcome,
              CommandResult::DONE);
    engine->Close();
    const std::string chosen = test::ReadBytes(DbFolder() / "EventDB.na");

    MonitorEngineOptions options;
    options.registryPath = folder.Path() / "datareg.reg";
    options.driver = std::make_unique<test::FakePacketDriver>();
    MonitorEngine again({prompt, popup, desktop}, std::move(options));
    ASSERT_TRUE(again.Open());
    EXPECT_EQ(test::ReadBytes(DbFolder() / "EventDB.na"), chosen);
    EXPECT_EQ(again.ReadEventSettings(EVENT_NEW_NODE), EventSettings{});
}

TEST_F(MonitorEngineTest, ARecordTheStoreCannotWriteIsReportedAsNotStored) {
    test::TempProgramFolder folder;
    // A folder where the file belongs: it cannot be opened (the retries do not wait here).
    test::BlockedFile blocked(DbFolder() / "EventDB.na");
    test::RecordingPrompt prompt;
    test::RecordingPopup popup;
    test::RecordingDesktopActions desktop;
    MonitorEngineOptions options;
    options.registryPath = folder.Path() / "datareg.reg";
    options.driver = std::make_unique<test::FakePacketDriver>();
    MonitorEngine engine({prompt, popup, desktop}, std::move(options));
    EventSettings record;
    record.enabled = 1;
    const CommandResult change = engine.PutEventSettings(EVENT_NEW_NODE, record);
    EXPECT_EQ(change.outcome, CommandResult::FAILED);
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{Sjis("EventDB Access Error。")});
}

TEST_F(OpenedEngineTest, ActionNodesAreStoredOnlyWhenEveryRangePasses) {
    const fs::path rangeFile = DbFolder() / "ActionNodeDB.na";
    ASSERT_EQ(engine->ActionRanges().AppendRange(InetAddr("10.0.0.1"), InetAddr("10.0.0.9")), 0);
    engine->SaveSettings();
    const std::string settingsFile = test::ReadBytes(SettingsFilePath());
    const std::string ranges = test::ReadBytes(rangeFile);

    const std::vector<IpRange> reversed = {{InetAddr("198.18.7.1"), InetAddr("198.18.7.9")},
                                           {InetAddr("198.18.7.9"), InetAddr("198.18.7.1")}};
    const CommandResult no = engine->ApplyEventNodes(false, reversed);
    EXPECT_EQ(no.outcome, CommandResult::REFUSED);
    EXPECT_EQ(no.message, Sjis("アドレス範囲が不正です。"));
    EXPECT_EQ(engine->Settings().App().ALLEVENT, 1);
    EXPECT_EQ(test::ReadBytes(SettingsFilePath()), settingsFile);
    EXPECT_EQ(test::ReadBytes(rangeFile), ranges);

    const std::vector<IpRange> good = {{InetAddr("198.18.7.1"), InetAddr("198.18.7.9")},
                                       {InetAddr("198.18.7.20"), InetAddr("198.18.7.20")}};
    EXPECT_EQ(engine->ApplyEventNodes(false, good).outcome, CommandResult::DONE);
    EXPECT_EQ(test::ReadBytes(rangeFile), EncodeLine("198.18.7.1,198.18.7.9", 21) + "\r\n" +
                                              EncodeLine("198.18.7.20,198.18.7.20", 23) + "\r\n");
    EXPECT_EQ(engine->ListRanges(RangeList::Action).size(), 2u);
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "ALLEVENT", -1), 0);
    EXPECT_TRUE(
        Contains(RightValues(engine->Tables().settingsInfo), Sjis("198.18.7.20 ～ 198.18.7.20")));

    // Back to all nodes without a range list: the ranges stay where they are.
    EXPECT_EQ(engine->ApplyEventNodes(true, std::nullopt).outcome, CommandResult::DONE);
    EXPECT_EQ(engine->ListRanges(RangeList::Action).size(), 2u);
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "ALLEVENT", -1), 1);
}

TEST_F(OpenedEngineTest, TheSniffCriterionTakesEffectAtOnceAndIsSavedLater) {
    engine->SaveSettings();
    engine->SetSniffCriterion(0x82);
    EXPECT_EQ(engine->Settings().App().PROMISS, 0x82);
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "PROMISS", -1), 7);
    bool anyShown = false;
    for (const ListRow& row : engine->Tables().settingsInfo.Snapshot()) {
        anyShown = anyShown ||
                   (row.cells[0] == Sjis("　以下のいずれかに応答するノードを盗聴ノードとする") &&
                    row.cells[1] == "ON");
    }
    EXPECT_TRUE(anyShown);
    engine->SaveSettings();
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "PROMISS", -1), 0x82);
}

TEST_F(OpenedEngineTest, AnAdapterListThatCannotBeReadIsShownAndLogged) {
    driver->adapters.reset();
    EXPECT_FALSE(engine->ListAdapters());
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{Sjis("アダプタ情報が取得できません。")});
    const std::string errorLog = test::ReadBytes(LogFolder() / "alog.log");
    EXPECT_NE(errorLog.find("searchsetd,"), std::string::npos) << Cp932ToUtf8Lossy(errorLog);
    EXPECT_NE(errorLog.find(Sjis("アダプタ情報が取得できません")), std::string::npos);
}

}  // namespace
}  // namespace halvera
