#include "base/text_file.h"

namespace halvera {
namespace {

bool ReadLine(std::FILE* file, std::size_t size, std::string& line, bool text) {
    line.clear();
    if (size < 2) {
        return false;
    }
    while (line.size() < size - 1) {
        int c = std::fgetc(file);
        if (c == EOF) {
            break;
        }
        if (text && c == '\r') {
            int next = std::fgetc(file);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, file);
            }
        }
        line.push_back(static_cast<char>(c));
        if (c == '\n') {
            break;
        }
    }
    return !line.empty();
}

}  // namespace

bool ReadTextLine(std::FILE* file, std::size_t size, std::string& line) {
    return ReadLine(file, size, line, true);
}

bool ReadBinaryLine(std::FILE* file, std::size_t size, std::string& line) {
    return ReadLine(file, size, line, false);
}

std::string_view StripLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    return line;
}

std::string_view TakeLine(std::string_view& content) {
    std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

bool EndLastLine(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return false;
    }
    const long size = std::ftell(file);
    if (size <= 0) {
        return size == 0;
    }
    if (std::fseek(file, -1, SEEK_END) != 0) {
        return false;
    }
    const int last = std::fgetc(file);
    if (last == EOF || std::fseek(file, 0, SEEK_END) != 0) {
        return false;
    }
    const std::string_view lineEnd = last == '\n' ? "" : last == '\r' ? "\n" : "\r\n";
    return std::fwrite(lineEnd.data(), 1, lineEnd.size(), file) == lineEnd.size();
}

bool WriteTextLine(std::FILE* file, std::string_view text) {
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        return false;
    }
    return std::fwrite("\r\n", 1, 2, file) == 2;
}

}  // namespace halvera
