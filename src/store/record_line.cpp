#include "store/record_line.h"

#include "base/text_file.h"

namespace halvera {

RecordLine ReadRecordLine(std::FILE* file, std::size_t limit, std::string& line) {
    if (!ReadTextLine(file, limit, line)) {
        return RecordLine::End;
    }
    if (line.back() == '\n' || line.size() < limit - 1) {
        return RecordLine::Whole;
    }
    int next = std::fgetc(file);
    if (next == EOF) {
        return RecordLine::Whole;
    }
    std::ungetc(next, file);
    std::string rest;
    while (ReadTextLine(file, limit, rest) && rest.back() != '\n') {
    }
    return RecordLine::TooLong;
}

RecordLine ReadRecordLineAt(std::FILE* file, std::size_t limit, int index, std::string& line) {
    std::rewind(file);
    RecordLine read = RecordLine::End;
    for (int i = 0; i <= index; ++i) {
        read = ReadRecordLine(file, limit, line);
        if (read == RecordLine::End) {
            break;
        }
    }
    return read;
}

void BlankLineBreaks(std::string& text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
}

}  // namespace halvera
