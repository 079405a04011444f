#include "store/log_store.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/atomic_replace.h"
#include "base/file_opener.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "events/placeholders.h"
#include "support/file_bytes.h"
#include "support/fixed_clock.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using test::ReadBytes;
using test::WriteBytes;

const std::string NOW = "2005/06/01 10:20:30";

class RecordingProgress : public Progress {
  public:
    void SetRange(int, int) override {}
    void SetPosition(int position) override { m_positions.push_back(position); }
    int Position() const override { return m_positions.empty() ? 0 : m_positions.back(); }
    const std::vector<int>& Positions() const { return m_positions; }

  private:
    std::vector<int> m_positions;
};

std::vector<std::vector<std::string>> Cells(const ListTable& list) {
    std::vector<std::vector<std::string>> cells;
    for (const ListRow& row : list.Snapshot()) {
        cells.push_back(row.cells);
    }
    return cells;
}

NodeRecord Node(std::string host, std::string label = "") {
    NodeRecord node;
    node.ip = MakeIp(192, 168, 0, 5);
    node.mac = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E};
    node.host = std::move(host);
    node.label = std::move(label);
    return node;
}

// The event's message as the event actions hand it over: its placeholders expanded.
std::string Message(const NodeRecord& node, std::string_view message) {
    return ExpandPlaceholders(node, message, MESSAGE_OUT_SIZE);
}

class LogStoreTest : public testing::Test {
  protected:
    LogStoreTest() : m_clock(2005, 6, 1, 10, 20, 30), m_scoped(m_clock) {
        SetRetryWait([](std::chrono::milliseconds) {});
    }
    ~LogStoreTest() override { SetRetryWait(nullptr); }

    std::filesystem::path EventPath() const { return LogFolder() / "log.log"; }
    std::filesystem::path ErrorPath() const { return LogFolder() / "alog.log"; }

    void SetScroll(int scroll) {
        AppSettings app = m_settings.App();
        app.SCROLL = scroll;
        m_settings.SetApp(app);
    }

    // A store that reads both files afresh, as at the next start, shows the same rows.
    void ExpectRestartShowsTheSameRows() {
        ListTable eventList(EVENT_LOG_COLUMNS);
        ListTable errorList(ERROR_LOG_COLUMNS);
        LogStore restarted(eventList, errorList, m_prompt, m_settings);
        restarted.ReadEventLog(FILTER_ALL, "", nullptr, 0);
        restarted.ReadErrorLog(nullptr, 0);
        EXPECT_EQ(eventList.Snapshot(), m_eventList.Snapshot());
        EXPECT_EQ(errorList.Snapshot(), m_errorList.Snapshot());
    }

    std::vector<std::string> ErrorMessages() const {
        std::vector<std::string> messages;
        for (const auto& cells : Cells(m_errorList)) {
            messages.push_back(cells[0] + "|" + cells[2]);
        }
        return messages;
    }

    test::TempProgramFolder m_folder;
    test::FixedClock m_clock;
    test::ScopedClock m_scoped;
    ListTable m_eventList{EVENT_LOG_COLUMNS};
    ListTable m_errorList{ERROR_LOG_COLUMNS};
    test::RecordingPrompt m_prompt;
    SettingsStore m_settings;
    LogStore m_store{m_eventList, m_errorList, m_prompt, m_settings};
};

TEST_F(LogStoreTest, ErrorLogLinesAreByteExact) {
    struct Case {
        std::string tag;
        std::string message;
        std::string line;  // without CR LF
        std::vector<std::string> row;
    };
    const std::string long1024(1024, 'm');
    const Case cases[] = {
        {"filed",
         "NetDB Open Error",
         "filed," + NOW + ",NetDB Open Error",
         {"filed", NOW, "NetDB Open Error"}},
        {"maild", long1024 + "tail", "maild," + NOW + "," + long1024, {"maild", NOW, long1024}},
        // The message is the last field: its commas stay; a line end in it would split the
        // line and shift every later row against its line.
        {"maild",
         "550 a,b\r\n551 c",
         "maild," + NOW + ",550 a,b  551 c",
         {"maild", NOW, "550 a,b  551 c"}},
        {"odd,tag", "x", "odd_tag," + NOW + ",x", {"odd_tag", NOW, "x"}},
        {"confd",
         Sjis("設定データの読込みに失敗しました"),
         "confd," + NOW + "," + Sjis("設定データの読込みに失敗しました"),
         {"confd", NOW, Sjis("設定データの読込みに失敗しました")}},
    };
    std::string expected;
    std::vector<std::vector<std::string>> rows;
    for (const Case& c : cases) {
        m_store.WriteErrorLog(c.tag, c.message);
        expected += c.line + "\r\n";
        rows.push_back(c.row);
    }
    EXPECT_EQ(ReadBytes(ErrorPath()), expected);
    EXPECT_EQ(Cells(m_errorList), rows);
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

TEST_F(LogStoreTest, DateFieldsBelowTenHaveLeadingZeros) {
    m_clock.Set(2007, 1, 2, 3, 4, 5);
    m_store.WriteErrorLog("regd", "RegOpenKeyEx error");
    EXPECT_EQ(ReadBytes(ErrorPath()), "regd,2007/01/02 03:04:05,RegOpenKeyEx error\r\n");
}

TEST_F(LogStoreTest, EventLogLinesAreByteExact) {
    struct Case {
        int kind;
        NodeRecord node;
        std::string message;
        std::string line;  // without CR LF
        std::string shownMessage;
    };
    const std::string prefix = "0," + NOW + ",192.168.0.5,PC01,";
    const std::string fill(2000, 'm');
    const Case cases[] = {
        {0, Node("PC01"), "new %IP", prefix + "new 192.168.0.5", "new 192.168.0.5"},
        {2, Node(""), "down", "2," + NOW + ",192.168.0.5,,down", "down"},
        // The whole line with its LF fits in 1024 bytes.
        {0, Node("PC01"), fill, prefix + fill.substr(0, 1023 - prefix.size()),
         fill.substr(0, 1023 - prefix.size())},
        {3, Node("a,b", "L1\r\nL2"), "%LABEL, %HOST", "3," + NOW + ",192.168.0.5,a_b,L1  L2, a,b",
         "L1  L2, a,b"},
    };
    std::string expected;
    for (const Case& c : cases) {
        m_store.WriteEventLog(c.node, Message(c.node, c.message), c.kind);
        expected += c.line + "\r\n";
    }
    EXPECT_EQ(ReadBytes(EventPath()), expected);
    ASSERT_EQ(m_eventList.RowCount(), 4);
    for (int i = 0; i < 4; ++i) {
        const Case& c = cases[i];
        ListRow row;
        m_eventList.GetRow(i, row);
        EXPECT_EQ(row.image, c.kind);
        EXPECT_EQ(row.cells,
                  (std::vector<std::string>{"", NOW, "192.168.0.5", i == 3 ? "a_b" : c.node.host,
                                            c.shownMessage}));
    }
}

TEST_F(LogStoreTest, WrittenRowsComeBackTheSameAfterARestart) {
    const std::string long1024(1024, 'e');
    m_store.WriteEventLog(Node("PC01"), Message(Node("PC01"), "up, %IP"), 1);
    m_store.WriteEventLog(Node(""), Message(Node(""), Sjis("盗聴ノード %IP")), 3);
    m_store.WriteErrorLog("netmond", "PacketSetReadTimeout error");
    m_store.WriteErrorLog("maild", long1024);
    m_store.WriteErrorLog("maild", "reply: 550, no such user");
    ExpectRestartShowsTheSameRows();
}

TEST_F(LogStoreTest, ReadingKeepsOneRowPerLineWhateverTheLineHolds) {
    struct Case {
        std::string line;  // as it stands in the file
        std::vector<std::string> row;
        int image;
    };
    const std::string m300(300, 'x');
    const std::string m2000(2000, 'y');
    const std::string full = "1," + NOW + ",10.0.0.1,H,";
    const std::string fullMessage(1023 - full.size(), 'z');
    const Case cases[] = {
        {"0," + NOW + ",192.168.0.5,PC01,hello\r\n", {"", NOW, "192.168.0.5", "PC01", "hello"}, 0},
        {"1," + NOW + ",10.0.0.1,,a,b,c\n", {"", NOW, "10.0.0.1", "", "a,b,c"}, 1},
        {"2," + NOW + ",10.0.0.1,H," + m300 + "\r\n",
         {"", NOW, "10.0.0.1", "H", m300.substr(0, 255)},
         2},
        {"3," + NOW + ",10.0.0.1,H," + m2000 + "\r\n",
         {"", NOW, "10.0.0.1", "H", m2000.substr(0, 255)},
         3},
        // A line of the full length must not leave its line end behind as a line of its own.
        {full + fullMessage + "\r\n", {"", NOW, "10.0.0.1", "H", fullMessage.substr(0, 255)}, 1},
        {"garbage without separators\r\n", {"", "", "", "", ""}, 0},
        {"\r\n", {"", "", "", "", ""}, 0},
        {"99," + NOW + ",h\r\n", {"", NOW, "h", "", ""}, -1},
        {"1," + NOW + ",10.0.0.9,LAST,no line end",
         {"", NOW, "10.0.0.9", "LAST", "no line end"},
         1},
    };
    std::string file;
    for (const Case& c : cases) {
        file += c.line;
    }
    WriteBytes(EventPath(), file);

    EXPECT_EQ(m_store.CountEventLog(), static_cast<int>(std::size(cases)));
    m_store.ReadEventLog(FILTER_ALL, "", nullptr, 0);
    const auto rows = m_eventList.Snapshot();
    ASSERT_EQ(rows.size(), std::size(cases));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].cells, cases[i].row) << "line " << i;
        EXPECT_EQ(rows[i].image, cases[i].image) << "line " << i;
    }
    EXPECT_EQ(ReadBytes(EventPath()), file);
}

// A log cut short, also between the CR and the LF of its last line: the next line written
// stands on its own, so the rows stay in step with the lines.
TEST_F(LogStoreTest, ALineWrittenAfterALastLineWithoutItsEndGetsARowOfItsOwn) {
    for (const std::string cut : {"", "\r"}) {
        WriteBytes(EventPath(),
                   "1," + NOW + ",10.0.0.1,H,first\r\n2," + NOW + ",10.0.0.2,H,cut" + cut);
        WriteBytes(ErrorPath(), "filed," + NOW + ",first\r\nmaild," + NOW + ",cut" + cut);
        m_store.ReadEventLog(FILTER_ALL, "", nullptr, 0);
        m_store.ReadErrorLog(nullptr, 0);
        m_store.WriteEventLog(Node("PC01"), "next", 1);
        m_store.WriteErrorLog("netmond", "next");
        EXPECT_EQ(m_store.CountEventLog(), 3) << cut.size();
        EXPECT_EQ(m_store.CountErrorLog(), 3) << cut.size();
        ExpectRestartShowsTheSameRows();
    }
}

TEST_F(LogStoreTest, ErrorLogReadingCutsFieldsToTheirBuffers) {
    const std::string tag40(40, 't');
    const std::string m1200(1200, 'm');
    WriteBytes(ErrorPath(), tag40 + "," + NOW + "," + m1200 + "\r\nfiled\r\n");
    EXPECT_EQ(m_store.CountErrorLog(), 2);
    m_store.ReadErrorLog(nullptr, 0);
    EXPECT_EQ(Cells(m_errorList), (std::vector<std::vector<std::string>>{
                                      {tag40.substr(0, 36), NOW, m1200.substr(0, 1024)},
                                      {"filed", "", ""},
                                  }));
}

TEST_F(LogStoreTest, FilterModesChooseTheShownLines) {
    WriteBytes(EventPath(),
               "0,2005/06/01 10:00:00,192.168.0.1,PC01,a\r\n"
               "1,2005/06/01 23:59:59,192.168.0.10,PC02,b\r\n"
               "2,2005/06/02 00:00:00,192.168.0.1,pc01,c\r\n"
               "2,2005/06/02 08:00:00,192.168.0.2,,d\r\n");
    struct Case {
        int mode;
        std::string text;
        std::string shown;  // messages of the shown rows
    };
    const Case cases[] = {
        {FILTER_KIND, "2", "cd"},
        {FILTER_KIND, " 1x", "b"},
        {FILTER_KIND, "kind", "a"},  // not a number: reads as 0
        {FILTER_DATE, "2005/06/01", "ab"},
        {FILTER_DATE, "2005/06/02 23:00", "cd"},
        {FILTER_IP, "192.168.0.1", "ac"},
        {FILTER_HOST, "PC01", "a"},
        {FILTER_HOST, "", "d"},
        {FILTER_ALL, "ignored", "abcd"},
        {9, "", ""},
    };
    for (const Case& c : cases) {
        m_store.ReadEventLog(c.mode, c.text, nullptr, 0);
        std::string shown;
        for (const auto& cells : Cells(m_eventList)) {
            shown += cells[4];
        }
        EXPECT_EQ(shown, c.shown) << "mode " << c.mode << " text " << c.text;
        EXPECT_EQ(m_store.EventLogCounters().rows, static_cast<long long>(c.shown.size()));
    }
}

TEST_F(LogStoreTest, CountersAndTotalsFollowTheReads) {
    const std::string a = "0," + NOW + ",192.168.0.1,PC01,a\r\n";
    const std::string b = "1," + NOW + ",192.168.0.2,PC02,bb\n";
    WriteBytes(EventPath(), a + b);
    WriteBytes(ErrorPath(), "filed," + NOW + ",x\r\n");

    m_store.ReadEventLog(FILTER_ALL, "", nullptr, 0);
    // Bytes as read in text mode: a CR LF counts as one line end.
    const long long bytes = static_cast<long long>(a.size() - 1 + b.size());
    EXPECT_EQ(m_store.EventLogCounters().rows, 2);
    EXPECT_EQ(m_store.EventLogCounters().bytes, bytes);
    EXPECT_EQ(m_store.EventLogTotals().rows, 2);
    EXPECT_EQ(m_store.EventLogTotals().bytes, bytes);

    // A filtered read counts its own lines but keeps the totals of the whole log.
    m_store.ReadEventLog(FILTER_IP, "192.168.0.2", nullptr, 0);
    EXPECT_EQ(m_store.EventLogCounters().rows, 1);
    EXPECT_EQ(m_store.EventLogCounters().bytes, static_cast<long long>(b.size()));
    EXPECT_EQ(m_store.EventLogTotals().rows, 2);

    m_store.ReadErrorLog(nullptr, 0);
    EXPECT_EQ(m_store.ErrorLogCounters().rows, 1);
    EXPECT_EQ(m_store.EventLogTotals().rows, 2);
}

TEST_F(LogStoreTest, ReadingMovesTheProgressOnFromItsBase) {
    WriteBytes(EventPath(), "0,d,i,h,a\r\n1,d,i,h,b\r\n2,d,i,h,c\r\n");
    WriteBytes(ErrorPath(), "filed,d,x\r\nfiled,d,y\r\n");
    RecordingProgress progress;
    m_store.ReadEventLog(FILTER_KIND, "1", &progress, 10);
    m_store.ReadEventLog(FILTER_ALL, "", &progress, 10);
    m_store.ReadErrorLog(&progress, 13);
    EXPECT_EQ(progress.Positions(), (std::vector<int>{11, 11, 12, 13, 14, 15}));
}

TEST_F(LogStoreTest, ReadingReplacesTheListContent) {
    WriteBytes(EventPath(), "0,d,i,h,a\r\n");
    m_store.ReadEventLog(FILTER_ALL, "", nullptr, 0);
    m_store.ReadEventLog(FILTER_ALL, "", nullptr, 0);
    EXPECT_EQ(m_eventList.RowCount(), 1);
}

TEST_F(LogStoreTest, ScrollSettingDecidesWhetherNewRowsAreScrolledIntoView) {
    for (int scroll : {0, 1}) {
        SetScroll(scroll);
        std::vector<int> scrolled;
        int id = m_errorList.Subscribe([&](const ListChange& change) {
            if (change.kind == ListChange::ScrollTo) {
                scrolled.push_back(change.row);
            }
        });
        WriteBytes(ErrorPath(), "filed,d,x\r\nfiled,d,y\r\n");
        m_store.ReadErrorLog(nullptr, 0);
        m_store.WriteErrorLog("filed", "z");
        m_errorList.Unsubscribe(id);
        const std::vector<int> expected = scroll == 1 ? std::vector<int>{1, 2} : std::vector<int>{};
        EXPECT_EQ(scrolled, expected) << "SCROLL " << scroll;
    }
}

TEST_F(LogStoreTest, DeletingRowsRemovesExactlyTheirLines) {
    const std::string line0 = "0," + NOW + ",192.168.0.1,A,zero";
    const std::string line1 = "1," + NOW + ",192.168.0.2,B," + std::string(3000, 'w');
    const std::string line2 = "2," + NOW + ",192.168.0.3,C,two";
    struct Case {
        std::string name;
        std::string file;
        std::vector<int> selected;
        std::string left;
    };
    const std::string all = line0 + "\r\n" + line1 + "\r\n" + line2 + "\r\n";
    const Case cases[] = {
        {"rows 0 and 2", all, {0, 2}, line1 + "\r\n"},
        {"unsorted with duplicates", all, {2, 0, 2}, line1 + "\r\n"},
        {"a long line stays whole", all, {0}, line1 + "\r\n" + line2 + "\r\n"},
        {"nothing selected", all, {}, all},
        {"rows past the end", all, {-1, 3, 7}, all},
        {"every row", all, {0, 1, 2}, ""},
        {"LF ends and no last line end",
         line0 + "\n" + line1 + "\n" + line2,
         {1},
         line0 + "\r\n" + line2 + "\r\n"},
    };
    for (const Case& c : cases) {
        WriteBytes(EventPath(), c.file);
        EXPECT_EQ(m_store.DeleteEventLogRows(c.selected, nullptr), 0) << c.name;
        EXPECT_EQ(ReadBytes(EventPath()), c.left) << c.name;
        EXPECT_FALSE(std::filesystem::exists(TmpFolder() / "log.log")) << c.name;
    }
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

TEST_F(LogStoreTest, DeletingMovesTheProgressTwicePerKeptLine) {
    WriteBytes(ErrorPath(), "a,d,0\r\nb,d,1\r\nc,d,2\r\nd,d,3\r\n");
    RecordingProgress progress;
    progress.SetPosition(0);
    EXPECT_EQ(m_store.DeleteErrorLogRows({1}, &progress), 0);
    EXPECT_EQ(ReadBytes(ErrorPath()), "a,d,0\r\nc,d,2\r\nd,d,3\r\n");
    EXPECT_EQ(progress.Positions(), (std::vector<int>{0, 1, 2, 3, 6}));
}

TEST_F(LogStoreTest, LogStaysUsableAfterADeletion) {
    m_store.WriteErrorLog("filed", "one");
    m_store.WriteErrorLog("filed", "two");
    m_store.ReadErrorLog(nullptr, 0);
    EXPECT_EQ(m_store.DeleteErrorLogRows({0}, nullptr), 0);
    m_errorList.RemoveRows({0});
    m_store.WriteErrorLog("filed", "three");
    EXPECT_EQ(ErrorMessages(), (std::vector<std::string>{"filed|two", "filed|three"}));
    EXPECT_EQ(m_store.CountErrorLog(), 2);
}

TEST_F(LogStoreTest, FileThatCannotBeOpenedLosesTheLineAndAddsNoRow) {
    const std::string eventBox = Sjis("Log File Access Error。");
    const std::string errorBox = Sjis("ActLog File Access Error。");
    struct Case {
        std::string name;
        std::filesystem::path blocked;  // made a folder, so it cannot be opened as a file
        std::vector<std::string> boxes;
        int eventRows;
        std::vector<std::string> errorRows;
    };
    const Case cases[] = {
        {"event log", "log.log", {eventBox}, 0, {"filed|Log File Access Error", "maild|m"}},
        {"error log", "alog.log", {errorBox}, 1, {}},
    };
    for (const Case& c : cases) {
        test::TempProgramFolder folder;
        test::RecordingPrompt prompt;
        ListTable eventList(EVENT_LOG_COLUMNS);
        ListTable errorList(ERROR_LOG_COLUMNS);
        LogStore store(eventList, errorList, prompt, m_settings);
        std::filesystem::create_directory(LogFolder() / c.blocked);

        store.WriteEventLog(Node("PC01"), "x", 0);
        store.WriteErrorLog("maild", "m");
        EXPECT_EQ(prompt.Texts(), c.boxes) << c.name;
        EXPECT_EQ(eventList.RowCount(), c.eventRows) << c.name;
        std::vector<std::string> errorRows;
        for (const auto& cells : Cells(errorList)) {
            errorRows.push_back(cells[0] + "|" + cells[2]);
        }
        EXPECT_EQ(errorRows, c.errorRows) << c.name;
    }
}

TEST_F(LogStoreTest, LineThatCannotBeWrittenAddsNoRowAndIsReported) {
    // Every write to /dev/full fails as on a full disk.
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    std::filesystem::create_symlink("/dev/full", ErrorPath());
    m_store.WriteErrorLog("filed", "x");
    EXPECT_EQ(m_errorList.RowCount(), 0);
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{Sjis("ActLog File Access Error。")});
}

TEST_F(LogStoreTest, ReadingCountingAndDeletingWithoutTheFileDoNothing) {
    std::filesystem::remove_all(LogFolder());
    WriteBytes(LogFolder(), "a file where the log folder belongs");

    EXPECT_EQ(m_store.Init(), 1);
    m_store.ReadEventLog(FILTER_ALL, "", nullptr, 0);
    m_store.ReadErrorLog(nullptr, 0);
    EXPECT_EQ(m_store.CountEventLog(), 0);
    EXPECT_EQ(m_store.CountErrorLog(), 0);
    EXPECT_EQ(m_store.DeleteEventLogRows({0}, nullptr), 1);
    EXPECT_EQ(m_eventList.RowCount(), 0);
    EXPECT_EQ(m_errorList.RowCount(), 0);
    EXPECT_FALSE(m_prompt.Boxes().empty());
    EXPECT_EQ(ReadBytes(LogFolder()), "a file where the log folder belongs");
}

TEST_F(LogStoreTest, FailedDeletionLeavesTheLogWhole) {
    const std::string log = "0,d,i,h,a\r\n1,d,i,h,b\r\n";
    WriteBytes(EventPath(), log);
    std::filesystem::create_directory(TmpFolder() / "log.log");
    EXPECT_EQ(m_store.DeleteEventLogRows({0}, nullptr), 1);
    EXPECT_EQ(ReadBytes(EventPath()), log);
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{Sjis("Log File Access Error。")});
}

// The step at which an injected failure stops the next replace, and its error number.
ReplaceStep g_failStep = ReplaceStep::Done;
int g_failAt = 0;

int FailChosenStep(ReplaceStep step) {
    return step == g_failStep && --g_failAt == 0 ? ENOSPC : 0;
}

TEST_F(LogStoreTest, DeletionFailingAtAnyStepOfTheReplaceLeavesTheLogWhole) {
    struct Case {
        const char* name;
        ReplaceStep step;
        int occurrence;
    };
    const Case cases[] = {
        {"first_line", ReplaceStep::Write, 1},
        {"midway", ReplaceStep::Write, 2},
        {"sync", ReplaceStep::Sync, 1},
        {"rename", ReplaceStep::Rename, 1},
    };
    const std::string log = "a,d,0\r\nb,d,1\r\nc,d,2\r\n";
    SetReplaceStepHook(FailChosenStep);
    for (const Case& c : cases) {
        test::RecordingPrompt prompt;
        ListTable eventList(EVENT_LOG_COLUMNS);
        ListTable errorList(ERROR_LOG_COLUMNS);
        LogStore store(eventList, errorList, prompt, m_settings);
        WriteBytes(ErrorPath(), log);
        g_failStep = c.step;
        g_failAt = c.occurrence;
        EXPECT_EQ(store.DeleteErrorLogRows({1}, nullptr), 1) << c.name;
        EXPECT_EQ(ReadBytes(ErrorPath()), log) << c.name;
        EXPECT_FALSE(std::filesystem::exists(TmpFolder() / "alog.log")) << c.name;
        EXPECT_EQ(prompt.Texts(), std::vector<std::string>{Sjis("ActLog File Access Error。")})
            << c.name;
        // The log goes on: a line written after the failure lands behind the old ones.
        store.WriteErrorLog("filed", "after");
        EXPECT_EQ(store.CountErrorLog(), 4) << c.name;
    }
    SetReplaceStepHook(nullptr);
}

TEST_F(LogStoreTest, OpenLogFileOpensByModeAndReportsWhatItCannotOpen) {
    struct Case {
        LogKind kind;
        std::filesystem::path path;
        int mode;
        bool opens;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {LogKind::Event, {}, OPEN_APPEND, true, {}},
        {LogKind::Error, TmpFolder() / "alog.log", OPEN_CREATE, true, {}},
        {LogKind::Error, {}, OPEN_UPDATE, false, {Sjis("ActLog File Access Error。")}},
        {LogKind::Event, LogFolder(), OPEN_WRITE, false, {Sjis("Log File Access Error。")}},
    };
    for (const Case& c : cases) {
        test::RecordingPrompt prompt;
        ListTable eventList(EVENT_LOG_COLUMNS);
        ListTable errorList(ERROR_LOG_COLUMNS);
        LogStore store(eventList, errorList, prompt, m_settings);
        std::FILE* file = store.OpenLogFile(c.kind, c.path, c.mode);
        EXPECT_EQ(file != nullptr, c.opens) << c.path << " mode " << c.mode;
        if (file != nullptr) {
            std::fclose(file);
        }
        EXPECT_EQ(prompt.Texts(), c.boxes) << c.path << " mode " << c.mode;
        EXPECT_EQ(errorList.RowCount(), c.kind == LogKind::Event && !c.opens ? 1 : 0);
    }
    EXPECT_TRUE(std::filesystem::exists(EventPath()));
    EXPECT_TRUE(std::filesystem::exists(TmpFolder() / "alog.log"));
}

TEST_F(LogStoreTest, InitCreatesTheLogFolderAndTheEventLog) {
    std::filesystem::remove_all(LogFolder());
    EXPECT_EQ(m_store.Init(), 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(EventPath()));
}

TEST_F(LogStoreTest, WritersOnManyThreadsKeepRowsInStepWithLines) {
    constexpr int THREADS = 4;
    constexpr int WRITES = 40;
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < WRITES; ++i) {
                std::string text = std::to_string(t) + "-" + std::to_string(i);
                m_store.WriteEventLog(Node("PC" + std::to_string(t)), text, t);
                m_store.WriteErrorLog("netmond", text);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    ASSERT_EQ(m_eventList.RowCount(), THREADS * WRITES);
    ASSERT_EQ(m_errorList.RowCount(), THREADS * WRITES);
    ExpectRestartShowsTheSameRows();
}

TEST(CopyLogField, CopiesOneFieldAndReportsWhereTheNextStarts) {
    struct Case {
        std::string line;
        std::size_t capacity;
        bool last;
        std::string field;
        std::size_t taken;
    };
    const Case cases[] = {
        {"abc,def", 10, false, "abc", 4},
        {"abc,def\r\n", 10, true, "abc,def", 8},
        {"abc", 10, false, "abc", 3},
        {"abcdef,g", 4, false, "abc", 7},  // cut to the buffer, the rest of the field skipped
        {"abc\ndef", 10, false, "abc", 4},
        {"\r\n", 10, true, "", 1},
        {"", 10, false, "", 0},
        {Sjis("あい,"), 4, false, Sjis("あ"), 5},  // never half a two-byte character
        {"abc", 0, false, "", 3},
    };
    for (const Case& c : cases) {
        std::string field = "stale";
        EXPECT_EQ(CopyLogField(c.line, c.capacity, c.last, field), c.taken) << c.line;
        EXPECT_EQ(field, c.field) << c.line;
    }
}

}  // namespace
}  // namespace halvera
