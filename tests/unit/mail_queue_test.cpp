#include "store/mail_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

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

std::filesystem::path QueueFile() {
    return TmpFolder() / "mail.na";
}

NodeRecord Node(int last, const std::string& host) {
    NodeRecord node;
    node.ip = MakeIp(192, 168, 0, last);
    node.host = host;
    return node;
}

// Stands in for the placeholder expansion: "%IP" and "%HOST" of the node, and records the
// buffer size it was given.
class FakeExpander {
  public:
    std::string operator()(const NodeRecord& node, std::string_view text, std::size_t outSize) {
        m_outSizes.push_back(outSize);
        std::string out(text);
        for (auto [name, value] : {std::pair<std::string, std::string>{"%IP", FormatIp(node.ip)},
                                   {"%HOST", node.host}}) {
            for (std::size_t at; (at = out.find(name)) != std::string::npos;) {
                out.replace(at, name.size(), value);
            }
        }
        return out;
    }
    std::vector<std::size_t> m_outSizes;
};

class MailQueueTest : public testing::Test {
  protected:
    std::vector<std::string> ReadAll() {
        std::vector<std::string> lines;
        std::string line;
        while (m_queue.ReadMailLine(static_cast<int>(lines.size()), line) == 0) {
            lines.push_back(line);
        }
        return lines;
    }

    test::TempProgramFolder m_folder;
    test::RecordingPrompt m_prompt;
    test::RecordingErrorLog m_errorLog;
    FakeExpander m_expander;
    MailQueue m_queue{m_prompt, m_errorLog,
                      [this](const NodeRecord& node, std::string_view text, std::size_t size) {
                          return m_expander(node, text, size);
                      }};
};

TEST_F(MailQueueTest, LinesComeBackInEventOrderUntilTheQueueEnds) {
    EXPECT_EQ(m_queue.AppendMailLine(EVENT_NEW_NODE, Node(5, "PC05"), "new %IP %HOST"), 22);
    m_queue.AppendMailLine(EVENT_NODE_DOWN, Node(6, "PC06"), Sjis("停止 %HOST"));
    m_queue.AppendMailLine(EVENT_SNIFFING_NODE, Node(7, ""), "sniffing %IP");

    EXPECT_EQ(ReadAll(), (std::vector<std::string>{"new 192.168.0.5 PC05\n", Sjis("停止 PC06\n"),
                                                   "sniffing 192.168.0.7\n"}));
    std::string line = "untouched";
    EXPECT_EQ(m_queue.ReadMailLine(3, line), 1);
    EXPECT_EQ(m_queue.ReadMailLine(-1, line), 1);
    EXPECT_EQ(line, "untouched");
    EXPECT_EQ(test::ReadBytes(QueueFile()),
              "new 192.168.0.5 PC05\r\n" + Sjis("停止 PC06\r\n") + "sniffing 192.168.0.7\r\n");
    EXPECT_EQ(m_expander.m_outSizes, (std::vector<std::size_t>(3, MailQueue::MAIL_LINE_SIZE)));
}

TEST_F(MailQueueTest, LongestLineReadsBackWholeAndLongerExpansionsAreCut) {
    struct Case {
        const char* name;
        std::string expanded;
        std::string queued;
    };
    const std::string longest(MailQueue::MAIL_LINE_SIZE - 1, 'x');
    const Case cases[] = {
        // One byte short of the buffer: still one line when read back, not two.
        {"longest", longest, longest},
        {"one_over", longest + "y", longest},
        // A two-byte character across the limit is left out whole.
        {"character_across_limit", std::string(1022, 'x') + Sjis("検"), std::string(1022, 'x')},
        {"line_breaks", std::string("host\r\nname\0x", 12), "host  name x"},
    };
    for (const auto& c : cases) {
        m_queue.DeleteMailQueue();
        m_queue.AppendMailLine(EVENT_NEW_NODE, Node(1, c.expanded), "%HOST");
        m_queue.AppendMailLine(EVENT_NODE_UP, Node(2, ""), "next");
        EXPECT_EQ(ReadAll(), (std::vector<std::string>{c.queued + "\n", "next\n"})) << c.name;
    }
}

TEST_F(MailQueueTest, DeletedQueueIsEmptyAndTheNextAppendStartsAfresh) {
    m_queue.AppendMailLine(EVENT_NEW_NODE, Node(1, ""), "first run");
    m_queue.DeleteMailQueue();
    EXPECT_FALSE(std::filesystem::exists(QueueFile()));
    std::string line;
    EXPECT_EQ(m_queue.ReadMailLine(0, line), 1);
    m_queue.DeleteMailQueue();  // a missing queue is no error

    m_queue.AppendMailLine(EVENT_NEW_NODE, Node(1, ""), "second run");
    EXPECT_EQ(ReadAll(), (std::vector<std::string>{"second run\n"}));
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

TEST_F(MailQueueTest, DamagedLinesKeepTheirPlace) {
    test::WriteBytes(QueueFile(), "lf only\n" + std::string(3000, 'z') + "\r\nafter\r\nno end");
    EXPECT_EQ(ReadAll(), (std::vector<std::string>{"lf only\n", "\n", "after\n", "no end\n"}));
}

TEST_F(MailQueueTest, ALineAppendedAfterALastLineWithoutItsEndStandsOnItsOwn) {
    struct Case {
        const char* name;
        std::string before;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"no end at all", "cut", {"cut\n", "next\n"}},
        {"cut between CR and LF", "cut\r", {"cut\n", "next\n"}},
        {"whole", "whole\r\n", {"whole\n", "next\n"}},
    };
    for (const Case& c : cases) {
        test::WriteBytes(QueueFile(), c.before);
        m_queue.AppendMailLine(EVENT_NODE_UP, Node(2, ""), "next");
        EXPECT_EQ(ReadAll(), c.lines) << c.name;
    }
}

TEST_F(MailQueueTest, QueueThatCannotBeOpenedIsReported) {
    test::BlockedFile blocked(QueueFile());
    EXPECT_EQ(m_queue.AppendMailLine(EVENT_NEW_NODE, Node(1, ""), "lost"), 0);
    std::string line;
    EXPECT_EQ(m_queue.ReadMailLine(0, line), 1);

    ASSERT_EQ(m_prompt.Boxes().size(), 2u);
    EXPECT_EQ(m_prompt.Boxes()[0].text, Sjis("Mail File Access Error。"));
    EXPECT_EQ(m_prompt.Boxes()[0].icon, PromptIcon::Stop);
    const std::pair<std::string, std::string> logLine{"filed", "Mail File Access Error"};
    EXPECT_EQ(m_errorLog.Lines(), (std::vector{logLine, logLine}));
}

// The run thread queues lines while the mail of the run is gathered: a reader sees each
// line whole and in its place.
TEST(MailQueueConcurrency, ReaderNeverSeesAHalfWrittenLine) {
    test::TempProgramFolder folder;
    test::RecordingPrompt prompt;
    test::RecordingErrorLog errorLog;
    MailQueue queue(prompt, errorLog, [](const NodeRecord&, std::string_view text, std::size_t) {
        return std::string(text);
    });
    constexpr int WRITES = 300;
    constexpr int READS = 3000;
    auto lineOf = [](int n) { return "mail line " + std::to_string(n) + std::string(30, '.'); };
    // Lines before the threads start, so every read has lines to walk.
    constexpr int BEFORE = 100;
    for (int n = 0; n < BEFORE; ++n) {
        queue.AppendMailLine(EVENT_NEW_NODE, NodeRecord{}, lineOf(n));
    }
    std::atomic<int> appended{BEFORE};
    std::atomic<int> bad{0};
    test::RunReaderAndWriter(
        WRITES, READS,
        [&](int n) {
            queue.AppendMailLine(EVENT_NEW_NODE, NodeRecord{}, lineOf(BEFORE + n));
            appended.store(BEFORE + n + 1);
        },
        [&](int i) {
            int known = appended.load();
            int n = i % 2 == 0 ? known - 1 : i % known;
            std::string line;
            if (queue.ReadMailLine(n, line) != 0 || line != lineOf(n) + "\n") {
                ++bad;
            }
        });
    EXPECT_EQ(bad.load(), 0);
}

}  // namespace
}  // namespace halvera
