#pragma once

#include <string>
#include <string_view>

namespace halvera {

// Converts CP932 text to ISO-2022-JP, the 7-bit code of Japanese mail: two-byte characters
// between ESC $ B and ESC ( B, the text always ending in ASCII mode. Half-width katakana
// become their full-width forms (ISO-2022-JP has none), a voiced mark joining the kana
// before it; a byte pair that has no JIS X 0208 code becomes the substitute mark 〓, so the
// result stays 7-bit whatever the input. ESC, SO and SI of the text become 〓 too: only the
// encoder's own escapes change the character set.
std::string SjisToJis(std::string_view sjis);

// Base64 of RFC 2045, padded with "=", without line breaks.
std::string Base64Encode(std::string_view bytes);

}  // namespace halvera
