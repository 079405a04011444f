#include "store/line_codec.h"

#include <cstdint>

namespace halvera {
namespace {

constexpr unsigned char ESCAPE = 0xFF;

unsigned char RotateLeft(unsigned char c) {
    return static_cast<unsigned char>((c << 1) | (c >> 7));
}
unsigned char RotateRight(unsigned char c) {
    return static_cast<unsigned char>((c >> 1) | (c << 7));
}

}  // namespace

std::string EncodeLine(std::string_view input, std::size_t n) {
    std::string out;
    out.reserve(input.size() + 8);
    for (std::size_t i = 0; i < input.size() && i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(input[i]);
        if (c == '\n' || c == '\0') {
            break;
        }
        unsigned char e = static_cast<unsigned char>(~RotateLeft(c));
        if (e == 0x0A || e == 0x0D || e == 0x2C || e == ESCAPE) {
            out.push_back(static_cast<char>(ESCAPE));
            out.push_back(static_cast<char>(static_cast<unsigned char>(256 - e)));
        } else {
            out.push_back(static_cast<char>(e));
        }
    }
    return out;
}

std::string DecodeLine(std::string_view input) {
    std::string out;
    out.reserve(input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(input[i]);
        if (b == '\n' || b == '\0') {
            break;
        }
        if (b == ESCAPE) {
            if (i + 1 >= input.size() || input[i + 1] == '\n' || input[i + 1] == '\0') {
                break;
            }
            unsigned char x = static_cast<unsigned char>(input[++i]);
            b = static_cast<unsigned char>(~static_cast<unsigned char>(x - 1));
        }
        out.push_back(static_cast<char>(RotateRight(static_cast<unsigned char>(~b))));
    }
    return out;
}

}  // namespace halvera
