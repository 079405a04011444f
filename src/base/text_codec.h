#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace halvera {

// Everything Halvera stores, mails or measures in bytes is CP932 (Shift_JIS with the
// Windows extensions); UTF-8 appears only in source literals and at the Qt boundary.
// glibc's "CP932" table is used on purpose: "SHIFT-JIS" rejects the extensions (NEC and
// IBM rows, ①, ㈱ ...) that Windows users type every day.

// Converts CP932 bytes to UTF-8. Returns nothing for bytes that are not CP932 and puts a
// description of the first bad byte into *error when given.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932, std::string* error = nullptr);

// Converts UTF-8 to CP932. Returns nothing for text that is not UTF-8 or holds a character
// that CP932 cannot express.
std::optional<std::string> Utf8ToCp932(std::string_view utf8, std::string* error = nullptr);

// Lenient forms for display and for texts the program builds itself: a byte or character
// that cannot be converted becomes '?', so the rest of the text survives.
std::string Cp932ToUtf8Lossy(std::string_view cp932);
std::string Utf8ToCp932Lossy(std::string_view utf8);

// CP932 form of a UTF-8 source literal ("NetDB Open Error。"); literals are always valid.
inline std::string Sjis(std::string_view utf8) {
    return Utf8ToCp932Lossy(utf8);
}

// Number of bytes the text takes in CP932, or nothing when it cannot be expressed in CP932.
std::optional<std::size_t> Cp932ByteLength(std::string_view utf8);

// True when byte c starts a two-byte CP932 character.
bool IsCp932LeadByte(unsigned char c);
// True when byte c may stand second in a two-byte CP932 character.
bool IsCp932TrailByte(unsigned char c);
// True when text[i] and text[i + 1] form one two-byte CP932 character: a lead byte, then a
// trail byte. A lead byte at the end or before a byte that cannot follow it stands alone.
bool IsCp932PairAt(std::string_view text, std::size_t i);

// Cuts a CP932 text to at most maxBytes without splitting a two-byte character.
std::string_view CutCp932(std::string_view cp932, std::size_t maxBytes);

}  // namespace halvera
