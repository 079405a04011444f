#include "store/range_store.h"

#include <gtest/gtest.h>

#include <chrono>

#include <atomic>
#include <utility>
#include <vector>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "store/line_codec.h"
#include "support/blocked_file.h"
#include "support/file_bytes.h"
#include "support/reader_writer.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using Range = std::pair<Ipv4, Ipv4>;

std::filesystem::path ListPath(RangeList list) {
    return DbFolder() / (list == RangeList::Search ? "SearchNodeDB.na" : "ActionNodeDB.na");
}

std::string Encoded(const std::string& text) {
    return EncodeLine(text, text.size());
}

// Every range of the list through ReadRange, n = 1, 2, ... until it reports the end.
std::vector<Range> ReadAll(RangeStore& store) {
    std::vector<Range> ranges;
    Ipv4 start = 0;
    Ipv4 end = 0;
    while (store.ReadRange(static_cast<int>(ranges.size()) + 1, start, end) == 0) {
        ranges.emplace_back(start, end);
    }
    return ranges;
}

std::vector<Range> Listed(RangeStore& store) {
    std::vector<Range> ranges;
    for (const auto& [start, end] : store.ListRanges()) {
        ranges.emplace_back(start, end);
    }
    return ranges;
}

class RangeStoreTest : public testing::TestWithParam<RangeList> {
  protected:
    test::TempProgramFolder m_folder;
    test::RecordingPrompt m_prompt;
    test::RecordingErrorLog m_errorLog;
    RangeStore m_store{GetParam(), m_prompt, m_errorLog};
};

TEST_P(RangeStoreTest, RangesReadBackInOrderAndTheWalkEndsAfterTheLast) {
    const std::vector<Range> ranges = {
        {MakeIp(192, 168, 0, 1), MakeIp(192, 168, 0, 254)},
        {MakeIp(10, 0, 0, 9), MakeIp(10, 0, 0, 1)},  // start above end stays as given
        {MakeIp(255, 255, 255, 255), MakeIp(255, 255, 255, 255)},
        {MakeIp(0, 0, 0, 0), MakeIp(172, 16, 5, 5)},
    };
    for (const auto& [start, end] : ranges) {
        EXPECT_EQ(m_store.AppendRange(start, end), 0);
    }
    EXPECT_EQ(ReadAll(m_store), ranges);
    EXPECT_EQ(Listed(m_store), ranges);

    Ipv4 start = 7;
    Ipv4 end = 8;
    EXPECT_EQ(m_store.ReadRange(5, start, end), 1);
    EXPECT_EQ(m_store.ReadRange(0, start, end), 1);
    EXPECT_EQ(std::make_pair(start, end), Range(7, 8));
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

// A read that follows the last one continues where it ended; any other read, or a file
// changed in between, starts again from the top.
TEST_P(RangeStoreTest, ReadsInAnyOrderSeeTheFileAsItIsNow) {
    const auto range = [](int n) { return Range(MakeIp(10, 0, 0, n), MakeIp(10, 0, 1, n)); };
    const auto line = [&](int n) {
        return Encoded(FormatIp(range(n).first) + "," + FormatIp(range(n).second)) + "\r\n";
    };
    for (int n = 1; n <= 5; ++n) {
        m_store.AppendRange(range(n).first, range(n).second);
    }
    const auto read = [this](int n) {
        Ipv4 start = 0;
        Ipv4 end = 0;
        return m_store.ReadRange(n, start, end) == 0 ? Range(start, end) : Range(0, 0);
    };
    EXPECT_EQ(read(1), range(1));
    EXPECT_EQ(read(2), range(2));
    // Rewritten behind the store, at the same size: ranges 10 to 14.
    test::WriteBytes(ListPath(GetParam()), line(10) + line(11) + line(12) + line(13) + line(14));
    std::filesystem::last_write_time(
        ListPath(GetParam()),
        std::filesystem::last_write_time(ListPath(GetParam())) + std::chrono::seconds(1));
    EXPECT_EQ(read(3), range(12));
    EXPECT_EQ(read(1), range(10));
    EXPECT_EQ(read(2), range(11));
    EXPECT_EQ(read(4), range(13));
    m_store.AppendRange(range(15).first, range(15).second);
    EXPECT_EQ(read(5), range(14));
    EXPECT_EQ(read(6), range(15));
    EXPECT_EQ(read(7), Range(0, 0));
}

TEST_P(RangeStoreTest, FileHoldsTheEncodedTextAndCrLf) {
    m_store.AppendRange(MakeIp(192, 168, 0, 1), MakeIp(192, 168, 0, 254));
    // "192.168.0.1,192.168.0.254" through the line encoding.
    EXPECT_EQ(test::ReadBytes(ListPath(GetParam())),
              "\x9D\x8D\x9B\xA3\x9D\x93\x8F\xA3\x9F\xA3\x9D\xA7"
              "\x9D\x8D\x9B\xA3\x9D\x93\x8F\xA3\x9F\xA3\x9B\x95\x97\r\n");
}

TEST_P(RangeStoreTest, ClearRangesEmptiesTheListAndTheFile) {
    m_store.AppendRange(MakeIp(192, 168, 0, 1), MakeIp(192, 168, 0, 254));
    m_store.AppendRange(MakeIp(192, 168, 1, 1), MakeIp(192, 168, 1, 254));
    EXPECT_EQ(m_store.ClearRanges(), 0);
    Ipv4 start = 0;
    Ipv4 end = 0;
    EXPECT_EQ(m_store.ReadRange(1, start, end), 1);
    EXPECT_EQ(test::ReadBytes(ListPath(GetParam())), "");

    m_store.AppendRange(MakeIp(10, 0, 0, 1), MakeIp(10, 0, 0, 2));
    EXPECT_EQ(ReadAll(m_store), (std::vector<Range>{{MakeIp(10, 0, 0, 1), MakeIp(10, 0, 0, 2)}}));
}

TEST_P(RangeStoreTest, DamagedLinesReadAsEmptyRangesAndKeepTheOthersInPlace) {
    const Range a{MakeIp(192, 168, 0, 1), MakeIp(192, 168, 0, 254)};
    const Range b{MakeIp(10, 1, 2, 3), MakeIp(10, 1, 2, 200)};
    const std::string lineA = Encoded("192.168.0.1,192.168.0.254");
    const std::string lineB = Encoded("10.1.2.3,10.1.2.200");
    const Range empty{0, 0};
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<Range> expected;
    };
    const Case cases[] = {
        {"lf_line_ends", lineA + "\n" + lineB + "\n", {a, b}},
        {"last_line_without_end", lineA + "\r\n" + lineB, {a, b}},
        {"cr_at_end_of_file", lineA + "\r", {a}},
        {"no_separator", Encoded("192.168.0.1192.168.0.254") + "\r\n" + lineB + "\r\n", {empty, b}},
        {"no_addresses", Encoded("abc,def") + "\r\n" + lineB + "\r\n", {empty, b}},
        // Longer than a reader's line: one damaged range, not two pieces that would shift b.
        {"too_long",
         Encoded("192.168.0.1,192.168.0.254,192.168.0") + "\r\n" + lineB + "\r\n",
         {empty, b}},
        {"not_encoded", "192.168.0.1,192.168.0.254\r\n" + lineB + "\r\n", {empty, b}},
        {"empty_line", "\r\n" + lineB + "\r\n", {empty, b}},
    };
    for (const auto& c : cases) {
        test::WriteBytes(ListPath(GetParam()), c.bytes);
        RangeStore store(GetParam(), m_prompt, m_errorLog);
        EXPECT_EQ(ReadAll(store), c.expected) << c.name;
        EXPECT_EQ(Listed(store), c.expected) << c.name;
        // A range added to the damaged list comes after the others, which stay as they were.
        const Range added{MakeIp(172, 16, 0, 1), MakeIp(172, 16, 0, 9)};
        EXPECT_EQ(store.AppendRange(added.first, added.second), 0) << c.name;
        std::vector<Range> appended = c.expected;
        appended.push_back(added);
        EXPECT_EQ(ReadAll(store), appended) << c.name;
    }
}

TEST_P(RangeStoreTest, InitCreatesTheFolderAndCloseLetsTheNextOperationReopen) {
    std::filesystem::remove_all(DbFolder());
    EXPECT_EQ(m_store.InitSearchRanges(), 0);
    EXPECT_TRUE(std::filesystem::exists(ListPath(GetParam())));
    m_store.CloseSearchRanges();
    EXPECT_EQ(m_store.AppendRange(MakeIp(10, 0, 0, 1), MakeIp(10, 0, 0, 2)), 0);
    EXPECT_EQ(ReadAll(m_store).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothLists, RangeStoreTest,
                         testing::Values(RangeList::Search, RangeList::Action),
                         [](const testing::TestParamInfo<RangeList>& info) {
                             return info.param == RangeList::Search ? "Search" : "Action";
                         });

TEST(RangeStoreFailure, EachListReportsAFileThatCannotBeOpened) {
    struct Case {
        RangeList list;
        std::string box;
        std::vector<std::pair<std::string, std::string>> logLine;
    };
    const Case cases[] = {
        {RangeList::Search,
         Sjis("SearchNodeDB Access Error。"),
         {{"maild", "SearchNodeDB Access Error"}}},
        {RangeList::Action, Sjis("ActionNodeDB Access Error。"), {}},
    };
    for (const auto& c : cases) {
        test::TempProgramFolder folder;
        test::RecordingPrompt prompt;
        test::RecordingErrorLog errorLog;
        test::BlockedFile blocked(ListPath(c.list));
        RangeStore store(c.list, prompt, errorLog);

        EXPECT_EQ(store.AppendRange(MakeIp(10, 0, 0, 1), MakeIp(10, 0, 0, 2)), 1);
        Ipv4 start = 5;
        Ipv4 end = 6;
        EXPECT_EQ(store.ReadRange(1, start, end), 1);
        EXPECT_EQ(std::make_pair(start, end), Range(5, 6));
        ASSERT_EQ(prompt.Boxes().size(), 2u);
        EXPECT_EQ(prompt.Boxes()[0].text, c.box);
        EXPECT_EQ(prompt.Boxes()[0].icon, PromptIcon::Stop);
        // One report per operation that found the file closed.
        auto expectedLog = c.logLine;
        expectedLog.insert(expectedLog.end(), c.logLine.begin(), c.logLine.end());
        EXPECT_EQ(errorLog.Lines(), expectedLog);

        // A mode that opens nothing is no access error.
        EXPECT_EQ(store.OpenRangeFile({}, 3), nullptr);
        EXPECT_EQ(prompt.Boxes().size(), 2u);

        EXPECT_EQ(store.InitSearchRanges(), 1);
        EXPECT_TRUE(store.ListRanges().empty());
    }
}

// The run threads read the list while a dialog writes it: a reader must never see a line
// that is only partly written, nor lose its place to the writer's seek.
TEST(RangeStoreConcurrency, ReaderNeverSeesAHalfWrittenRange) {
    test::TempProgramFolder folder;
    test::RecordingPrompt prompt;
    test::RecordingErrorLog errorLog;
    RangeStore store(RangeList::Search, prompt, errorLog);
    constexpr int WRITES = 300;
    constexpr int READS = 3000;
    auto rangeOf = [](int n) {
        return Range{MakeIp(10, n / 256, n % 256, 1), MakeIp(10, n / 256, n % 256, 254)};
    };
    // Ranges before the threads start, so every read has lines to walk.
    constexpr int BEFORE = 100;
    for (int n = 1; n <= BEFORE; ++n) {
        store.AppendRange(rangeOf(n).first, rangeOf(n).second);
    }
    std::atomic<int> appended{BEFORE};
    std::atomic<int> bad{0};
    test::RunReaderAndWriter(
        WRITES, READS,
        [&](int n) {
            store.AppendRange(rangeOf(BEFORE + n + 1).first, rangeOf(BEFORE + n + 1).second);
            appended.store(BEFORE + n + 1);
        },
        [&](int i) {
            int known = appended.load();
            int n = i % 2 == 0 ? known : 1 + i % known;
            Ipv4 start = 0;
            Ipv4 end = 0;
            if (store.ReadRange(n, start, end) != 0 || Range(start, end) != rangeOf(n)) {
                ++bad;
            }
        });
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(ReadAll(store).size(), static_cast<std::size_t>(BEFORE + WRITES));
}

}  // namespace
}  // namespace halvera
