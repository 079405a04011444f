#include "store/event_settings_store.h"

#include <gtest/gtest.h>

#include <atomic>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "store/event_kind.h"
#include "support/blocked_file.h"
#include "support/file_bytes.h"
#include "support/reader_writer.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

std::filesystem::path EventFile() {
    return DbFolder() / "EventDB.na";
}

EventSettings Sample(const std::string& tag) {
    EventSettings record;
    record.enabled = 1;
    record.screen = 1;
    record.log = 0;
    record.message = "message " + tag + " %IP";
    record.popupText = "popup " + tag;
    record.filePath = "/usr/bin/tool %IP " + tag;
    record.mailText = "mail " + tag + " %HOST";
    record.beep = 1;
    record.soundFile = "/tmp/" + tag + ".wav";
    return record;
}

// A record as the file keeps it: 791 bytes and CR LF.
std::string Stored(int kind, const EventSettings& record) {
    return BuildEventLine(kind, record) + "\r\n";
}

// A record line whose kind field is replaced by `field`, still 791 bytes and CR LF.
std::string WithKindField(const std::string& field, int kind) {
    std::string line = BuildEventLine(kind, Sample("damaged"));
    return field + line.substr(1, EVENT_LINE_LENGTH - field.size()) + "\r\n";
}

class EventSettingsStoreTest : public testing::Test {
  protected:
    test::TempProgramFolder m_folder;
    test::RecordingPrompt m_prompt;
    test::RecordingErrorLog m_errorLog;
    EventSettingsStore m_store{m_prompt, m_errorLog};
};

TEST_F(EventSettingsStoreTest, SecondWriteOfAKindReplacesItsLineInPlace) {
    EXPECT_EQ(m_store.PutEventSettings(EVENT_NEW_NODE, Sample("new")), 0);
    EXPECT_EQ(m_store.PutEventSettings(EVENT_NODE_DOWN, Sample("first")), 0);
    EXPECT_EQ(m_store.PutEventSettings(EVENT_SNIFFING_NODE, Sample("sniff")), 0);
    EXPECT_EQ(m_store.PutEventSettings(EVENT_NODE_DOWN, Sample("second")), 1);

    EXPECT_EQ(test::ReadBytes(EventFile()),
              Stored(0, Sample("new")) + Stored(2, Sample("second")) + Stored(3, Sample("sniff")));
    EventSettings record;
    EXPECT_EQ(m_store.ReadEventSettings(EVENT_NODE_DOWN, record), 0);
    EXPECT_EQ(record, Sample("second"));
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

TEST_F(EventSettingsStoreTest, KindNeverWrittenReadsClearedWithResultOne) {
    m_store.PutEventSettings(EVENT_NODE_UP, Sample("up"));
    EventSettings record = Sample("left over");
    EXPECT_EQ(m_store.ReadEventSettings(EVENT_NODE_DOWN, record), 1);
    EXPECT_EQ(record, EventSettings{});
}

TEST_F(EventSettingsStoreTest, LineIsTheFieldsInFileOrderPaddedTo791Bytes) {
    EventSettings empty;
    empty.enabled = 1;
    empty.log = 1;
    std::string expected = "2,1,0,0,1,,,,,0,,,";
    expected.resize(EVENT_LINE_LENGTH, ' ');
    EXPECT_EQ(BuildEventLine(2, empty), expected);

    // The reserved fields are written as 0 and empty whatever the record holds.
    EventSettings reserved = Sample("r");
    reserved.reserved = 9;
    reserved.reservedText = "x";
    EXPECT_EQ(BuildEventLine(1, reserved).substr(0, 60),
              "1,1,0,1,0,popup r,/usr/bin/tool %IP r,mail r %HOST,,1,/tmp/r");
}

TEST_F(EventSettingsStoreTest, EveryRecordTakes793BytesWhateverItsTexts) {
    EventSettings full = Sample("x");
    full.message = std::string(EVENT_TEXT_MAX, 'm');
    full.popupText = std::string(EVENT_TEXT_MAX, 'p');
    full.filePath = std::string(EVENT_TEXT_MAX, 'f');
    full.mailText = std::string(EVENT_TEXT_MAX, 'a');
    full.soundFile = std::string(EVENT_TEXT_MAX, 's');
    full.enabled = -2147483647 - 1;
    full.screen = full.log = full.beep = full.enabled;
    const EventSettings records[] = {EventSettings{}, Sample("y"), full};
    for (int kind = 0; kind < 3; ++kind) {
        m_store.PutEventSettings(kind, records[kind]);
    }
    std::string bytes = test::ReadBytes(EventFile());
    ASSERT_EQ(bytes.size(), 3 * 793u);
    for (int kind = 0; kind < 3; ++kind) {
        EXPECT_EQ(bytes.substr(kind * 793 + 791, 2), "\r\n") << kind;
        EventSettings record;
        EXPECT_EQ(m_store.ReadEventSettings(kind, record), 0);
        EXPECT_EQ(record, records[kind]) << kind;
    }
}

TEST_F(EventSettingsStoreTest, TextsKeepTheirCharactersAndAreCutToTheirWidth) {
    EventSettings japanese;
    japanese.enabled = 1;
    japanese.message = Sjis("盗聴ノード検出 %LABEL (%IP)");
    japanese.popupText = Sjis("ノード停止：%HOST");
    japanese.mailText = Sjis("新規ノード検出 %DATE %TIME");
    japanese.soundFile = Sjis("/home/管理者/警告.wav");
    m_store.PutEventSettings(EVENT_SNIFFING_NODE, japanese);
    EventSettings record;
    m_store.ReadEventSettings(EVENT_SNIFFING_NODE, record);
    EXPECT_EQ(record, japanese);

    // 127 bytes and one two-byte character: the character does not fit the width whole.
    EventSettings tooLong;
    tooLong.message = std::string(127, 'a') + Sjis("検");
    tooLong.popupText = std::string(300, 'p');
    m_store.PutEventSettings(EVENT_NODE_UP, tooLong);
    m_store.ReadEventSettings(EVENT_NODE_UP, record);
    EXPECT_EQ(record.message, std::string(127, 'a'));
    EXPECT_EQ(record.popupText, std::string(EVENT_TEXT_MAX, 'p'));
}

TEST_F(EventSettingsStoreTest, LineBreaksInATextDoNotSplitTheRecord) {
    EventSettings record;
    record.message = "two\r\nlines";
    record.mailText = std::string("nul\0inside", 10);
    m_store.PutEventSettings(EVENT_NEW_NODE, record);
    m_store.PutEventSettings(EVENT_NODE_UP, Sample("up"));
    EXPECT_EQ(test::ReadBytes(EventFile()).size(), 2 * 793u);

    EventSettings read;
    EXPECT_EQ(m_store.ReadEventSettings(EVENT_NEW_NODE, read), 0);
    EXPECT_EQ(read.message, "two  lines");
    EXPECT_EQ(read.mailText, "nul inside");
    EXPECT_EQ(m_store.ReadEventSettings(EVENT_NODE_UP, read), 0);
    EXPECT_EQ(read, Sample("up"));
}

TEST_F(EventSettingsStoreTest, DamagedLinesReadAsNoRecordAndLeaveTheOthersUsable) {
    const std::string good = Stored(3, Sample("good"));
    struct Case {
        const char* name;
        std::string damaged;
        int kind;  // the kind the damaged line would claim
    };
    const Case cases[] = {
        // "abc" is no kind; read as a number it would pass for kind 0.
        {"kind_abc", WithKindField("abc", 0), 0},
        {"kind_with_tail", WithKindField("2x", 2), 2},
        {"no_separators", std::string(40, 'z') + "\r\n", 0},
        {"kind_only", "1\r\n", 1},
        {"fields_missing", "1,1,0,1,1,popup,file\r\n", 1},
        // Longer than a reader's line: one damaged line, not pieces read as further lines.
        {"too_long", "2,1,0,1,1," + std::string(900, 'x') + ",\r\n", 2},
    };
    for (const auto& c : cases) {
        test::WriteBytes(EventFile(), c.damaged + good);
        EventSettingsStore store(m_prompt, m_errorLog);
        EventSettings record = Sample("stale");
        EXPECT_EQ(store.ReadEventSettings(c.kind, record), 1) << c.name;
        EXPECT_EQ(record, EventSettings{}) << c.name;
        EXPECT_EQ(store.ReadEventSettings(EVENT_SNIFFING_NODE, record), 0) << c.name;
        EXPECT_EQ(record, Sample("good")) << c.name;

        // Writing the claimed kind gives it a readable line and keeps the good one.
        store.PutEventSettings(c.kind, Sample("new"));
        EXPECT_EQ(store.ReadEventSettings(c.kind, record), 0) << c.name;
        EXPECT_EQ(record, Sample("new")) << c.name;
        EXPECT_EQ(store.ReadEventSettings(EVENT_SNIFFING_NODE, record), 0) << c.name;
        EXPECT_EQ(record, Sample("good")) << c.name;
    }
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

TEST_F(EventSettingsStoreTest, ALineTooLongToReadIsLoggedOnce) {
    const std::string sniffing = BuildEventLine(3, Sample("good"));
    const std::string popup = BuildEventLine(0, Sample("popup"));
    struct Case {
        const char* name;
        std::string bytes;
        bool logged;
    };
    const Case cases[] = {
        {"whole records", Stored(0, Sample("popup")) + Stored(3, Sample("good")), false},
        {"a line of 900 bytes", "2,1,0,1,1," + std::string(900, 'x') + ",\r\n" + sniffing + "\r\n",
         true},
        // Line ends of CR alone: the whole file is one line.
        {"CR line ends", popup + "\r" + sniffing + "\r", true},
    };
    for (const Case& c : cases) {
        test::WriteBytes(EventFile(), c.bytes);
        test::RecordingErrorLog log;
        EventSettingsStore store(m_prompt, log);
        EventSettings record;
        for (int kind = 0; kind < EVENT_KIND_COUNT; ++kind) {
            store.ReadEventSettings(kind, record);
        }
        const auto lines = log.Lines();
        ASSERT_EQ(lines.size(), c.logged ? 1u : 0u) << c.name;
        if (c.logged) {
            EXPECT_EQ(lines[0].first, "filed");
            EXPECT_EQ(lines[0].second,
                      "EventDB.na: a line longer than 791 bytes (or ended by CR alone) is not "
                      "read; the events it holds stay off");
        }
    }
}

TEST_F(EventSettingsStoreTest, LineOfAnotherLengthIsReplacedWithoutTouchingTheNext) {
    struct Case {
        const char* name;
        std::string first;
        std::string last;
    };
    // A hand-edited short line, and a record that lost its end when the disk filled up.
    const Case cases[] = {
        {"short_line", "1,1,0,1,1,old popup,,,,0,,old,\r\n", Stored(3, Sample("good"))},
        {"lf_line_end", BuildEventLine(1, Sample("old")) + "\n", Stored(3, Sample("good"))},
        {"cut_last_line", Stored(3, Sample("good")), Stored(1, Sample("old")).substr(0, 400)},
    };
    for (const auto& c : cases) {
        test::WriteBytes(EventFile(), c.first + c.last);
        EventSettingsStore store(m_prompt, m_errorLog);
        EXPECT_EQ(store.PutEventSettings(EVENT_NODE_UP, Sample("new")), 1) << c.name;
        EventSettings record;
        EXPECT_EQ(store.ReadEventSettings(EVENT_NODE_UP, record), 0) << c.name;
        EXPECT_EQ(record, Sample("new")) << c.name;
        EXPECT_EQ(store.ReadEventSettings(EVENT_SNIFFING_NODE, record), 0) << c.name;
        EXPECT_EQ(record, Sample("good")) << c.name;
        EXPECT_EQ(test::ReadBytes(EventFile()).size(), 2 * 793u) << c.name;
    }
}

TEST_F(EventSettingsStoreTest, AppendAfterALastLineWithoutEndStartsANewLine) {
    const std::string good = BuildEventLine(3, Sample("good"));
    // Without its line end, and cut between its CR and its LF.
    for (const std::string& bytes : {good, good + "\r"}) {
        test::WriteBytes(EventFile(), bytes);
        EventSettingsStore store(m_prompt, m_errorLog);
        EXPECT_EQ(store.PutEventSettings(EVENT_NEW_NODE, Sample("new")), 0);
        EventSettings record;
        EXPECT_EQ(store.ReadEventSettings(EVENT_NEW_NODE, record), 0);
        EXPECT_EQ(record, Sample("new"));
        EXPECT_EQ(store.ReadEventSettings(EVENT_SNIFFING_NODE, record), 0) << bytes.size();
        EXPECT_EQ(record, Sample("good"));
    }
}

TEST_F(EventSettingsStoreTest, FileThatCannotBeOpenedIsReportedAndReadsAsDisabled) {
    test::BlockedFile blocked(EventFile());
    EventSettings record = Sample("stale");
    EXPECT_EQ(m_store.ReadEventSettings(EVENT_NEW_NODE, record), 1);
    EXPECT_EQ(record, EventSettings{});
    EXPECT_EQ(m_store.PutEventSettings(EVENT_NEW_NODE, Sample("x")), -1);

    // Each operation finds the file closed, tries again and reports again.
    ASSERT_EQ(m_prompt.Boxes().size(), 2u);
    EXPECT_EQ(m_prompt.Boxes()[1].text, Sjis("EventDB Access Error。"));
    EXPECT_EQ(m_prompt.Boxes()[1].icon, PromptIcon::Stop);
    const std::pair<std::string, std::string> line{"filed", "EventDB Access Error"};
    EXPECT_EQ(m_errorLog.Lines(), (std::vector{line, line}));
}

// The event actions read a kind on a run thread while the dialog rewrites it: every read
// sees one whole record, never part of the old and part of the new.
TEST_F(EventSettingsStoreTest, AFirstStartTurnsTheFourKindsOnInListAndLog) {
    std::filesystem::create_directories(DbFolder());
    ASSERT_TRUE(m_store.WriteFirstStartFile());
    const std::string sniffPopup = Sjis("盗聴ノード検出 %IP %MAC %VEN");
    for (int kind = 0; kind < EVENT_KIND_COUNT; ++kind) {
        SCOPED_TRACE(kind);
        const bool configured = kind < EVENT_CONFIGURABLE_COUNT;
        EventSettings record;
        EXPECT_EQ(m_store.ReadEventSettings(kind, record), configured ? 0 : 1);
        EXPECT_EQ(record.enabled, configured ? 1 : 0);
        EXPECT_EQ(record.screen, configured ? 1 : 0);
        EXPECT_EQ(record.log, configured ? 1 : 0);
        EXPECT_EQ(record.message, configured ? "%IP %MAC %VEN" : "");
        EXPECT_EQ(record.popupText, kind == EVENT_SNIFFING_NODE ? sniffPopup : "");
        EXPECT_EQ(record.filePath + record.mailText + record.soundFile, "");
        EXPECT_EQ(record.beep, 0);
    }
    EXPECT_EQ(test::ReadBytes(EventFile()).size(), 4 * (EVENT_LINE_LENGTH + 2));
}

TEST_F(EventSettingsStoreTest, AnExistingFileIsNeverTouchedByAFirstStart) {
    std::filesystem::create_directories(DbFolder());
    EventSettings allOff;
    const std::string cases[] = {
        "",
        Stored(EVENT_NEW_NODE, allOff) + Stored(EVENT_NODE_UP, allOff) +
            Stored(EVENT_NODE_DOWN, allOff) + Stored(EVENT_SNIFFING_NODE, allOff),
        "edited by hand\n",
    };
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        test::WriteBytes(EventFile(), bytes);
        EXPECT_FALSE(m_store.WriteFirstStartFile());
        EXPECT_EQ(test::ReadBytes(EventFile()), bytes);
    }
}

TEST(EventSettingsStoreConcurrency, ReaderNeverSeesAHalfWrittenRecord) {
    test::TempProgramFolder folder;
    test::RecordingPrompt prompt;
    test::RecordingErrorLog errorLog;
    EventSettingsStore store(prompt, errorLog);
    EventSettings a = Sample(std::string(100, 'a'));
    EventSettings b = Sample(std::string(100, 'b'));
    b.enabled = 0;
    store.PutEventSettings(EVENT_NODE_DOWN, a);
    constexpr int WRITES = 300;
    constexpr int READS = 3000;
    std::atomic<int> bad{0};
    test::RunReaderAndWriter(
        WRITES, READS, [&](int n) { store.PutEventSettings(EVENT_NODE_DOWN, n % 2 == 0 ? b : a); },
        [&](int) {
            EventSettings record;
            if (store.ReadEventSettings(EVENT_NODE_DOWN, record) != 0 ||
                (record != a && record != b)) {
                ++bad;
            }
        });
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(test::ReadBytes(DbFolder() / "EventDB.na").size(), 793u);
}

}  // namespace
}  // namespace halvera
