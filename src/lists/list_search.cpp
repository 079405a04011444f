#include "lists/list_search.h"

#include <vector>

#include "base/text_codec.h"

namespace halvera {
namespace {

// A-Z become a-z where they stand as characters of their own; the second byte of a
// double-byte character keeps its value, or "ア" would match "ヂ".
std::string Fold(std::string_view cp932) {
    std::string folded(CutCp932(cp932, LIST_SEARCH_MAX));
    for (std::size_t i = 0; i < folded.size(); ++i) {
        if (IsCp932PairAt(folded, i)) {
            ++i;
        } else if (folded[i] >= 'A' && folded[i] <= 'Z') {
            folded[i] = static_cast<char>(folded[i] - 'A' + 'a');
        }
    }
    return folded;
}

bool Matches(std::string_view cell, std::string_view text, bool wholeText) {
    return wholeText ? cell == text : cell.starts_with(text);
}

}  // namespace

std::string CheckListSearchText(std::string_view textCp932) {
    return textCp932.empty() ? Sjis("検索名称を入力してください。") : std::string();
}

int FindListRow(const ListTable& table, const ListSearch& search) {
    if (search.column < 0 || search.column >= table.ColumnCount()) {
        return -1;
    }
    const std::string text = search.caseSensitive
                                 ? std::string(CutCp932(search.text, LIST_SEARCH_MAX))
                                 : Fold(search.text);
    const std::vector<ListRow> rows = table.Snapshot();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const std::string& cell = rows[row].cells[static_cast<std::size_t>(search.column)];
        const std::string compared =
            search.caseSensitive ? std::string(CutCp932(cell, LIST_SEARCH_MAX)) : Fold(cell);
        if (Matches(compared, text, search.wholeText)) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

}  // namespace halvera
