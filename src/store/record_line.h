#pragma once

#include <cstdio>
#include <string>

namespace halvera {

// Lines of the text data files that hold one record a line.

enum class RecordLine { End, Whole, TooLong };

// Reads the next line for a reader whose line buffer holds `limit` bytes. A line of at most
// limit - 1 bytes with its LF (CR LF reads as LF) comes back Whole. A longer line is read on
// to its end and comes back TooLong with its first limit - 1 bytes, so that it counts as one
// damaged record instead of several pieces that would shift every record after it. End when
// the file holds no further byte.
RecordLine ReadRecordLine(std::FILE* file, std::size_t limit, std::string& line);

// Rewinds and reads line `index` (from 0) the same way; End when the file has fewer lines.
RecordLine ReadRecordLineAt(std::FILE* file, std::size_t limit, int index, std::string& line);

// Turns CR, LF and NUL into blanks, so that a text written into a record stays on its line.
void BlankLineBreaks(std::string& text);

}  // namespace halvera
