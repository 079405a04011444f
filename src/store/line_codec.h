#pragma once

#include <string>
#include <string_view>

namespace halvera {

// The byte-wise line encoding of the node database and the range lists. Each byte is
// inverted and rotated; the bytes that would read as LF, CR, "," or the escape byte itself
// become the escape byte 0xFF and a second byte, so an encoded line never holds a line end
// or a field separator.

// Encodes at most n bytes of the input, stopping before the first LF or NUL.
std::string EncodeLine(std::string_view input, std::size_t n);

// Decodes until LF, NUL or the end of the input. An escape byte without its second byte (a
// record cut in the middle of a pair) ends the line instead of reading past it.
std::string DecodeLine(std::string_view input);

}  // namespace halvera
