#include "base/text_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/file_bytes.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

std::vector<std::string> ReadAll(const std::filesystem::path& path, std::size_t size, bool text) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::vector<std::string> lines;
    std::string line;
    while (text ? ReadTextLine(file, size, line) : ReadBinaryLine(file, size, line)) {
        lines.push_back(line);
    }
    std::fclose(file);
    return lines;
}

TEST(TextFile, ReaderTakesCrLfAndLfAndSplitsLongLinesLikeFgets) {
    test::TempProgramFolder folder;
    auto path = folder.Path() / "lines.txt";
    test::WriteBytes(path, "ab\r\ncd\nefghij\nlone\rcr\r\nlast");
    EXPECT_EQ(ReadAll(path, 1024, true),
              (std::vector<std::string>{"ab\n", "cd\n", "efghij\n", "lone\rcr\n", "last"}));
    // A buffer of 5 bytes holds 4: the long line comes back in pieces.
    EXPECT_EQ(ReadAll(path, 5, true),
              (std::vector<std::string>{"ab\n", "cd\n", "efgh", "ij\n", "lone", "\rcr\n", "last"}));
    EXPECT_EQ(ReadAll(path, 1024, false),
              (std::vector<std::string>{"ab\r\n", "cd\n", "efghij\n", "lone\rcr\r\n", "last"}));
}

TEST(TextFile, WriterEndsLinesInCrLf) {
    test::TempProgramFolder folder;
    auto path = folder.Path() / "out.txt";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_TRUE(WriteTextLine(file, "one"));
    EXPECT_TRUE(WriteTextLine(file, ""));
    std::fclose(file);
    EXPECT_EQ(test::ReadBytes(path), "one\r\n\r\n");
}

TEST(TextFile, EndLastLineLetsTheNextLineStandOnItsOwn) {
    test::TempProgramFolder folder;
    auto path = folder.Path() / "cut.txt";
    const struct {
        const char* bytes;
        const char* ended;
    } cases[] = {
        {"", ""},       {"a\r\n", "a\r\n"}, {"a\n", "a\n"},
        {"a", "a\r\n"}, {"a\r", "a\r\n"},  // cut between CR and LF
    };
    // The stores append through handles of both modes.
    for (const char* mode : {"r+b", "a+b"}) {
        for (const auto& c : cases) {
            test::WriteBytes(path, c.bytes);
            std::FILE* file = std::fopen(path.c_str(), mode);
            EXPECT_TRUE(EndLastLine(file)) << mode << " " << c.bytes;
            EXPECT_TRUE(WriteTextLine(file, "b"));
            std::fclose(file);
            EXPECT_EQ(test::ReadBytes(path), std::string(c.ended) + "b\r\n") << mode;
        }
    }
}

TEST(TextFile, StripLineEnd) {
    EXPECT_EQ(StripLineEnd("x\r\n"), "x");
    EXPECT_EQ(StripLineEnd("x\n"), "x");
    EXPECT_EQ(StripLineEnd("x"), "x");
    EXPECT_EQ(StripLineEnd("\r\n"), "");
}

TEST(TextFile, TakeLineSplitsContentInMemory) {
    std::string_view content = "a\r\nb\n\r\nlast\r";
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        lines.push_back(TakeLine(content));
    }
    EXPECT_EQ(lines, (std::vector<std::string_view>{"a", "b", "", "last"}));
}

}  // namespace
}  // namespace halvera
