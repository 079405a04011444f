#include "events/reply_line_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace halvera {
namespace {

TEST(ReplyLineBuffer, GivesCompleteLinesWhateverTheReceivesCut) {
    struct Case {
        const char* name;
        std::vector<std::string> receives;
        std::vector<std::string> lines;
    } cases[] = {
        {"one reply", {"220 ready\r\n"}, {"220 ready"}},
        {"several lines in one receive",
         {"250-a\r\n250-b\r\n250 c\r\n"},
         {"250-a", "250-b", "250 c"}},
        {"a line over three receives", {"22", "0 rea", "dy\r\n"}, {"220 ready"}},
        {"CR and LF in different receives", {"220 x\r", "\n250 y\r\n"}, {"220 x", "250 y"}},
        {"an incomplete line waits", {"220 x\r\n250 "}, {"220 x"}},
        {"a bare LF ends a line too", {"+OK\n"}, {"+OK"}},
    };
    for (const auto& c : cases) {
        ReplyLineBuffer buffer;
        std::vector<std::string> lines;
        std::string line;
        for (const auto& received : c.receives) {
            buffer.Append(received);
            while (buffer.Next(line)) {
                lines.push_back(line);
            }
        }
        EXPECT_EQ(lines, c.lines) << c.name;
        EXPECT_FALSE(buffer.Overflowed()) << c.name;
    }
}

TEST(ReplyLineBuffer, AnEndlessLineOverflows) {
    ReplyLineBuffer buffer;
    buffer.Append(std::string(ReplyLineBuffer::REPLY_LINE_MAX, 'x'));
    EXPECT_FALSE(buffer.Overflowed());
    buffer.Append("x");
    EXPECT_TRUE(buffer.Overflowed());
}

// A long line that ends in the receive that also brings the next lines is within the limit.
TEST(ReplyLineBuffer, OnlyTheBytesAfterTheLastLineEndCount) {
    ReplyLineBuffer buffer;
    const std::string longLine(ReplyLineBuffer::REPLY_LINE_MAX - 100, 'x');
    buffer.Append(longLine);
    buffer.Append("\r\n250 " + std::string(1000, 'y'));
    EXPECT_FALSE(buffer.Overflowed());
    std::string line;
    EXPECT_TRUE(buffer.Next(line));
    EXPECT_EQ(line, longLine);
    buffer.Append(std::string(ReplyLineBuffer::REPLY_LINE_MAX - 1004, 'y'));
    EXPECT_FALSE(buffer.Overflowed());
    buffer.Append("y");
    EXPECT_TRUE(buffer.Overflowed());
}

}  // namespace
}  // namespace halvera
