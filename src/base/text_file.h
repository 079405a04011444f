#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace halvera {

// Lines of the Windows-style text files: written with CR LF, read back with CR LF or LF.

// Reads like fgets with a buffer of `size` bytes in text mode: at most size - 1 bytes, up
// to and including the LF; a CR directly before an LF is dropped, as the text-mode reader
// of the original platform did. A longer line comes back in pieces. Returns false when the
// file ends before any byte was read.
bool ReadTextLine(std::FILE* file, std::size_t size, std::string& line);

// Reads like fgets in binary mode: at most size - 1 bytes, up to and including the LF.
bool ReadBinaryLine(std::FILE* file, std::size_t size, std::string& line);

// The line without its trailing LF and CR.
std::string_view StripLineEnd(std::string_view line);

// Takes the first line off file content held in memory and returns it without its LF or
// CR LF; the last line may lack its end.
std::string_view TakeLine(std::string_view& content);

// Ends a last line that lost its line end (a file cut short, or edited by hand), so that a
// line appended next stands on its own: CR LF after any last byte but LF, the LF alone after
// a CR (a line cut between the two, which a second CR would lengthen). Leaves the position at
// the end of the file, which must be open for reading and writing. False when it could not
// be read or written.
bool EndLastLine(std::FILE* file);

// Writes the text followed by CR LF. Returns false when the write failed.
bool WriteTextLine(std::FILE* file, std::string_view text);

}  // namespace halvera
