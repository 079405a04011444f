#pragma once

#include <string>
#include <string_view>

namespace halvera {

// Small byte-wise helpers for the hand-edited text files (ini files, the registry file).

// A space or a tab.
bool IsBlank(char c);

// The text without blanks at either end.
std::string_view Trim(std::string_view text);

// Trim, also dropping CRs among the blanks at the end: a profile line edited on a system
// that doubled its CR still reads as the same line.
std::string_view TrimWithCr(std::string_view text);

// The text with &, <, > and " written as markup entities, for HTML and for markup that a
// desktop notification reads. Byte-wise: a CP932 trail byte is 0x40 or above and a UTF-8
// continuation byte 0x80 or above, beyond these four, so either encoding passes unharmed.
std::string MarkupEscaped(std::string_view text);

// Equal when only the case of ASCII letters differs, byte by byte: locale-free, so bytes
// above 0x7F always compare as they are.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace halvera
