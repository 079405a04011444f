#pragma once

#include <string>
#include <vector>

namespace halvera {

// One line of tab-separated text from UTF-8 cells, without its line end. A tab, CR, LF or
// backslash inside a cell is written as \t, \r, \n or \\, so every row stays one line with
// its cells in their columns.
std::string TsvLine(const std::vector<std::string>& cellsUtf8);

}  // namespace halvera
