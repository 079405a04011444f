#include "events/wav_duration.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace halvera {
namespace {

constexpr std::size_t CHUNK_HEADER = 8;
// Offset of the byte rate in the "fmt " chunk's body, and the least body that holds it.
constexpr std::size_t BYTE_RATE_OFFSET = 8;
constexpr std::size_t FMT_BODY_MIN = 16;

std::uint32_t LittleEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

bool ReadExactly(std::istream& in, std::uint8_t* out, std::size_t count) {
    in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
    return static_cast<std::size_t>(in.gcount()) == count;
}

// Bytes left in the stream from the current position.
std::uint64_t Remaining(std::istream& in) {
    const std::streampos here = in.tellg();
    in.seekg(0, std::ios::end);
    const std::streampos end = in.tellg();
    in.seekg(here);
    return end > here ? static_cast<std::uint64_t>(end - here) : 0;
}

}  // namespace

std::optional<std::chrono::milliseconds> WavDuration(std::istream& in) {
    std::array<std::uint8_t, 12> riff{};
    if (!ReadExactly(in, riff.data(), riff.size()) || std::memcmp(riff.data(), "RIFF", 4) != 0 ||
        std::memcmp(riff.data() + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> byteRate;
    for (;;) {
        std::array<std::uint8_t, CHUNK_HEADER> header{};
        if (!ReadExactly(in, header.data(), header.size())) {
            return std::nullopt;
        }
        const std::uint32_t size = LittleEndian32(header.data() + 4);
        const std::uint64_t left = Remaining(in);
        if (std::memcmp(header.data(), "data", 4) == 0) {
            if (!byteRate || *byteRate == 0) {
                return std::nullopt;
            }
            const std::uint64_t bytes = std::min<std::uint64_t>(size, left);
            return std::chrono::milliseconds(bytes * 1000 / *byteRate);
        }
        if (size > left) {
            return std::nullopt;
        }
        if (std::memcmp(header.data(), "fmt ", 4) == 0) {
            if (size < FMT_BODY_MIN) {
                return std::nullopt;
            }
            std::array<std::uint8_t, FMT_BODY_MIN> body{};
            if (!ReadExactly(in, body.data(), body.size())) {
                return std::nullopt;
            }
            byteRate = LittleEndian32(body.data() + BYTE_RATE_OFFSET);
            in.seekg(static_cast<std::streamoff>(size - FMT_BODY_MIN), std::ios::cur);
        } else {
            in.seekg(static_cast<std::streamoff>(size), std::ios::cur);
        }
        // Chunks are padded to an even length.
        if (size % 2 != 0) {
            in.seekg(1, std::ios::cur);
        }
        if (!in) {
            return std::nullopt;
        }
    }
}

std::optional<std::chrono::milliseconds> WavDuration(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return WavDuration(in);
}

}  // namespace halvera
