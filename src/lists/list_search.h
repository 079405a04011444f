#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "lists/list_table.h"

namespace halvera {

// The longest search text and the longest cell text a list search compares, in bytes.
inline constexpr std::size_t LIST_SEARCH_MAX = 255;

// What the list search dialogs look for: a CP932 text in one column of a list.
struct ListSearch {
    std::string text;
    int column = 0;
    // Unless set, the letters A-Z and a-z match each other; no other character is folded.
    bool caseSensitive = false;
    // Set: the cell equals the text; clear: the cell begins with it.
    bool wholeText = false;
};

// The message of a search text the search refuses (CP932), empty when it may run: the text
// must not be empty.
std::string CheckListSearchText(std::string_view textCp932);

// The first row from the top whose cell matches, or -1.
int FindListRow(const ListTable& table, const ListSearch& search);

}  // namespace halvera
