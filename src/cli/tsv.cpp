#include "cli/tsv.h"

namespace halvera {

std::string TsvLine(const std::vector<std::string>& cellsUtf8) {
    std::string line;
    for (std::size_t i = 0; i < cellsUtf8.size(); ++i) {
        if (i > 0) {
            line += '\t';
        }
        for (char c : cellsUtf8[i]) {
            switch (c) {
                case '\t':
                    line += "\\t";
                    break;
                case '\r':
                    line += "\\r";
                    break;
                case '\n':
                    line += "\\n";
                    break;
                case '\\':
                    line += "\\\\";
                    break;
                default:
                    line += c;
            }
        }
    }
    return line;
}

}  // namespace halvera
