#include "base/text_codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace halvera {
namespace {

// iconv descriptors are not thread-safe, so each call opens its own; opening costs a few
// microseconds, far below any file or network operation that needs a conversion.
class Converter {
  public:
    Converter(const char* to, const char* from)
        : m_cd(iconv_open(to, from)), m_fromCp932(std::string_view(from) == "CP932") {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(m_cd);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts the whole input. On a bad sequence and lossy set, writes '?' and skips one
    // input byte; otherwise fails with the offset of the bad byte.
    std::optional<std::string> Run(std::string_view in, bool lossy, std::string* error) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            if (error) {
                *error = "iconv has no CP932 converter";
            }
            return std::nullopt;
        }
        std::string out;
        out.reserve(in.size() * 3 / 2 + 8);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buffer[1024];
        while (true) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t rc = iconv(m_cd, srcLeft ? &src : nullptr, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (rc != static_cast<size_t>(-1)) {
                if (srcLeft == 0) {
                    break;
                }
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL (a sequence cut at the end of the input).
            size_t offset = in.size() - srcLeft;
            if (!lossy) {
                if (error) {
                    char text[96];
                    std::snprintf(text, sizeof text,
                                  "invalid or unconvertible byte 0x%02X at offset %zu",
                                  static_cast<unsigned char>(in[offset]), offset);
                    *error = text;
                }
                return std::nullopt;
            }
            out.push_back('?');
            size_t skip = std::min(srcLeft, CharacterWidth(static_cast<unsigned char>(*src)));
            src += skip;
            srcLeft -= skip;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            if (srcLeft == 0) {
                break;
            }
        }
        return out;
    }

  private:
    // Bytes of the character that starts with c in the source encoding, so a character
    // that cannot be converted becomes one '?'.
    size_t CharacterWidth(unsigned char c) const {
        if (m_fromCp932) {
            return IsCp932LeadByte(c) ? 2 : 1;
        }
        if (c >= 0xF0 && c <= 0xF4) {
            return 4;
        }
        if (c >= 0xE0) {
            return c <= 0xEF ? 3 : 1;
        }
        return c >= 0xC2 ? 2 : 1;
    }

    iconv_t m_cd;
    bool m_fromCp932;
};

std::optional<std::string> Convert(const char* to, const char* from, std::string_view in,
                                   bool lossy, std::string* error) {
    if (in.empty()) {
        return std::string();
    }
    Converter converter(to, from);
    return converter.Run(in, lossy, error);
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view cp932, std::string* error) {
    return Convert("UTF-8", "CP932", cp932, false, error);
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8, std::string* error) {
    return Convert("CP932", "UTF-8", utf8, false, error);
}

std::string Cp932ToUtf8Lossy(std::string_view cp932) {
    return Convert("UTF-8", "CP932", cp932, true, nullptr).value_or(std::string());
}

std::string Utf8ToCp932Lossy(std::string_view utf8) {
    return Convert("CP932", "UTF-8", utf8, true, nullptr).value_or(std::string());
}

std::optional<std::size_t> Cp932ByteLength(std::string_view utf8) {
    auto converted = Utf8ToCp932(utf8);
    if (!converted) {
        return std::nullopt;
    }
    return converted->size();
}

bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsCp932TrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

bool IsCp932PairAt(std::string_view text, std::size_t i) {
    return i + 1 < text.size() && IsCp932LeadByte(static_cast<unsigned char>(text[i])) &&
           IsCp932TrailByte(static_cast<unsigned char>(text[i + 1]));
}

std::string_view CutCp932(std::string_view cp932, std::size_t maxBytes) {
    if (cp932.size() <= maxBytes) {
        return cp932;
    }
    std::size_t i = 0;
    while (i < maxBytes) {
        std::size_t width = IsCp932LeadByte(static_cast<unsigned char>(cp932[i])) ? 2 : 1;
        if (i + width > maxBytes) {
            break;
        }
        i += width;
    }
    return cp932.substr(0, i);
}

}  // namespace halvera
