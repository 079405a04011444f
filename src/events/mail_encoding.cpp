#include "events/mail_encoding.h"

#include <array>
#include <cstdint>

#include "base/text_codec.h"

namespace halvera {
namespace {

constexpr std::string_view TO_KANJI = "\x1B$B";
constexpr std::string_view TO_ASCII = "\x1B(B";

// JIS X 0208 codes of the half-width katakana 0xA1 to 0xDF, in byte order.
constexpr std::array<std::uint16_t, 63> HALF_WIDTH_KANA = {
    0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521, 0x2523, 0x2525, 0x2527, 0x2529,
    0x2563, 0x2565, 0x2567, 0x2543, 0x213C, 0x2522, 0x2524, 0x2526, 0x2528, 0x252A, 0x252B,
    0x252D, 0x252F, 0x2531, 0x2533, 0x2535, 0x2537, 0x2539, 0x253B, 0x253D, 0x253F, 0x2541,
    0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C, 0x254D, 0x254E, 0x254F, 0x2552, 0x2555,
    0x2558, 0x255B, 0x255E, 0x255F, 0x2560, 0x2561, 0x2562, 0x2564, 0x2566, 0x2568, 0x2569,
    0x256A, 0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C};

constexpr unsigned char KANA_VOICED_MARK = 0xDE;
constexpr unsigned char KANA_SEMI_VOICED_MARK = 0xDF;
constexpr std::uint16_t JIS_VU = 0x2574;
// 〓, the mark Japanese mail uses for a character it cannot carry.
constexpr std::uint16_t JIS_SUBSTITUTE = 0x222E;

// ESC starts an escape sequence, SO and SI shift to and from another set: in a text they
// would switch the reader's character set behind the encoder's back.
bool ChangesCharacterSet(unsigned char c) {
    return c == 0x1B || c == 0x0E || c == 0x0F;
}

bool IsHalfWidthKana(unsigned char c) {
    return c >= 0xA1 && c <= 0xDF;
}

bool IsJisByte(int b) {
    return b >= 0x21 && b <= 0x7E;
}

// The standard Shift_JIS to JIS arithmetic; the substitute mark where the pair lies outside
// the 94 x 94 table (user-defined and IBM extension rows).
std::uint16_t JisOfPair(unsigned char s1, unsigned char s2) {
    int j1 = 2 * (s1 - (s1 <= 0x9F ? 0x70 : 0xB0));
    int j2 = 0;
    if (s2 < 0x9F) {
        j1 -= 1;
        j2 = s2 < 0x7F ? s2 - 0x1F : s2 - 0x20;
    } else {
        j2 = s2 - 0x7E;
    }
    if (!IsJisByte(j1) || !IsJisByte(j2)) {
        return JIS_SUBSTITUTE;
    }
    return static_cast<std::uint16_t>(j1 << 8 | j2);
}

// A half-width kana with the voiced or semi-voiced mark after it, joined into one
// full-width character where one exists (ｶﾞ -> ガ, ﾊﾟ -> パ, ｳﾞ -> ヴ); 0 otherwise.
std::uint16_t JoinedKana(unsigned char kana, unsigned char mark) {
    std::uint16_t base = HALF_WIDTH_KANA[kana - 0xA1];
    bool kaToTo = kana >= 0xB6 && kana <= 0xC4;  // ｶ .. ﾄ
    bool haToHo = kana >= 0xCA && kana <= 0xCE;  // ﾊ .. ﾎ
    if (mark == KANA_VOICED_MARK) {
        if (kana == 0xB3) {
            return JIS_VU;
        }
        if (kaToTo || haToHo) {
            return base + 1;
        }
    }
    if (mark == KANA_SEMI_VOICED_MARK && haToHo) {
        return base + 2;
    }
    return 0;
}

}  // namespace

std::string SjisToJis(std::string_view sjis) {
    std::string out;
    bool kanji = false;
    auto emitJis = [&](std::uint16_t code) {
        if (!kanji) {
            out += TO_KANJI;
            kanji = true;
        }
        out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    };
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        auto c = static_cast<unsigned char>(sjis[i]);
        if (ChangesCharacterSet(c)) {
            emitJis(JIS_SUBSTITUTE);
            continue;
        }
        if (c < 0x80) {
            if (kanji) {
                out += TO_ASCII;
                kanji = false;
            }
            out += static_cast<char>(c);
            continue;
        }
        auto next = i + 1 < sjis.size() ? static_cast<unsigned char>(sjis[i + 1]) : 0;
        if (IsHalfWidthKana(c)) {
            std::uint16_t joined = next != 0 ? JoinedKana(c, next) : 0;
            if (joined != 0) {
                ++i;
            }
            emitJis(joined != 0 ? joined : HALF_WIDTH_KANA[c - 0xA1]);
        } else if (IsCp932PairAt(sjis, i)) {
            emitJis(JisOfPair(c, next));
            ++i;
        } else {
            // A cut character or a byte that starts none: the byte after it is kept.
            emitJis(JIS_SUBSTITUTE);
        }
    }
    if (kanji) {
        out += TO_ASCII;
    }
    return out;
}

std::string Base64Encode(std::string_view bytes) {
    static constexpr std::string_view ALPHABET =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::size_t left = bytes.size() - i;
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (left > 1) {
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        if (left > 2) {
            group |= static_cast<unsigned char>(bytes[i + 2]);
        }
        out += ALPHABET[group >> 18 & 0x3F];
        out += ALPHABET[group >> 12 & 0x3F];
        out += left > 1 ? ALPHABET[group >> 6 & 0x3F] : '=';
        out += left > 2 ? ALPHABET[group & 0x3F] : '=';
    }
    return out;
}

}  // namespace halvera
