#include "events/wav_duration.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>

#include "support/file_bytes.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

std::string Le32(std::uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

std::string Chunk(const std::string& id, const std::string& body, std::uint32_t claimedSize) {
    return id + Le32(claimedSize) + body;
}

std::string Chunk(const std::string& id, const std::string& body) {
    return Chunk(id, body, static_cast<std::uint32_t>(body.size()));
}

// PCM format body: channels, sample rate, byte rate, block align, bits.
std::string Fmt(std::uint32_t byteRate) {
    return std::string("\x01\x00\x01\x00", 4) + Le32(8000) + Le32(byteRate) +
           std::string("\x01\x00\x08\x00", 4);
}

std::string Wave(const std::string& chunks) {
    return "RIFF" + Le32(static_cast<std::uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

TEST(WavDuration, DataSizeOverByteRate) {
    const std::string samples(4000, '\x80');
    struct Case {
        const char* name;
        std::string bytes;
        std::optional<long long> ms;
    };
    const Case cases[] = {
        {"plain PCM", Wave(Chunk("fmt ", Fmt(8000)) + Chunk("data", samples)), 500},
        {"other chunks first, odd one padded",
         Wave(Chunk("fmt ", Fmt(8000)) + Chunk("LIST", "abc") + std::string(1, '\0') +
              Chunk("data", samples)),
         500},
        {"longer fmt chunk",
         Wave(Chunk("fmt ", Fmt(16000) + std::string(2, '\0')) + Chunk("data", samples)), 250},
        {"data claims more than there is",
         Wave(Chunk("fmt ", Fmt(8000)) + Chunk("data", samples, 0xFFFFFFFFu)), 500},
        {"empty data", Wave(Chunk("fmt ", Fmt(8000)) + Chunk("data", "")), 0},
        {"no RIFF", "RIFX" + Le32(4) + "WAVE", std::nullopt},
        {"no WAVE", "RIFF" + Le32(4) + "AVI ", std::nullopt},
        {"too short", "RIFF", std::nullopt},
        {"data before fmt", Wave(Chunk("data", samples) + Chunk("fmt ", Fmt(8000))), std::nullopt},
        {"byte rate 0", Wave(Chunk("fmt ", Fmt(0)) + Chunk("data", samples)), std::nullopt},
        {"fmt too short", Wave(Chunk("fmt ", std::string("\x01\x00", 2)) + Chunk("data", samples)),
         std::nullopt},
        {"chunk runs past the end", Wave(Chunk("fmt ", Fmt(8000), 4000)), std::nullopt},
        {"no data chunk", Wave(Chunk("fmt ", Fmt(8000))), std::nullopt},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.bytes);
        const auto duration = WavDuration(in);
        ASSERT_EQ(duration.has_value(), c.ms.has_value()) << c.name;
        if (c.ms) {
            EXPECT_EQ(duration->count(), *c.ms) << c.name;
        }
    }
}

TEST(WavDuration, ReadsAFileAndRefusesAMissingOne) {
    test::TempProgramFolder folder;
    const auto file = folder.Path() / "alarm.wav";
    test::WriteBytes(file, Wave(Chunk("fmt ", Fmt(8000)) + Chunk("data", std::string(8000, 'x'))));
    ASSERT_TRUE(WavDuration(file).has_value());
    EXPECT_EQ(WavDuration(file)->count(), 1000);
    EXPECT_FALSE(WavDuration(folder.Path() / "missing.wav").has_value());
}

}  // namespace
}  // namespace halvera
