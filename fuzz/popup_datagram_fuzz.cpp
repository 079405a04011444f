// Feeds arbitrary datagrams to what the popup program does with one before it reaches Qt: the
// cut to the message limit and the lenient conversion to UTF-8. The cut never splits a
// character nor drops more than a byte of one; the text shown is valid UTF-8, the same as the
// strict conversion wherever that succeeds, and a converted text goes back to CP932 and
// returns unchanged.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/text_codec.h"
#include "events/popup_relay.h"
#include "fuzz_support.h"

namespace {

using namespace halvera;
using fuzz::Check;

// Well-formed UTF-8: no stray continuation byte, no overlong form, no surrogate, nothing
// above U+10FFFF.
bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
        const unsigned char lead = byte(i);
        std::size_t width;
        std::uint32_t code;
        if (lead < 0x80) {
            width = 1;
            code = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            width = 2;
            code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            width = 3;
            code = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            width = 4;
            code = lead & 0x07u;
        } else {
            return false;
        }
        if (i + width > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < width; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) {
                return false;
            }
            code = code << 6 | (byte(i + k) & 0x3Fu);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[width] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += width;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view datagram(reinterpret_cast<const char*>(data), size);
    const std::string_view text = CutCp932(datagram, POPUP_MESSAGE_MAX);
    Check(datagram.starts_with(text));
    Check(text.size() == std::min(size, POPUP_MESSAGE_MAX) ||
          (size > POPUP_MESSAGE_MAX && text.size() == POPUP_MESSAGE_MAX - 1 &&
           IsCp932LeadByte(static_cast<unsigned char>(datagram[text.size()]))));

    const std::string shown = Cp932ToUtf8Lossy(text);
    Check(IsUtf8(shown));
    const std::optional<std::string> strict = Cp932ToUtf8(text);
    if (strict) {
        Check(*strict == shown);
        const std::optional<std::string> back = Utf8ToCp932(*strict);
        Check(back && Cp932ToUtf8(*back) == strict);
    }
    if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) {
        Check(shown == text);
    }
    return 0;
}
