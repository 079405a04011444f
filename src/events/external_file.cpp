#include "events/external_file.h"

#include "base/text_codec.h"

namespace halvera {
namespace {

// Whether text from `from` on holds '\' or '/' as a character of its own.
bool HoldsSeparator(std::string_view text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsCp932LeadByte(c)) {
            ++i;
        } else if (c == '\\' || c == '/') {
            return true;
        }
    }
    return false;
}

}  // namespace

ExternalFile SplitExternalFile(std::string_view text) {
    ExternalFile file;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsCp932LeadByte(c) && i + 1 < text.size()) {
            file.path.append(text.substr(i, 2));
            ++i;
            continue;
        }
        if (c == ' ' && i > 0 && !(HoldsSeparator(text, i) && i + 1 < text.size())) {
            file.parameters = std::string(text.substr(i + 1));
            return file;
        }
        file.path.push_back(static_cast<char>(c));
    }
    return file;
}

std::vector<std::string> SplitArguments(std::string_view parameters) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (i < parameters.size()) {
        while (i < parameters.size() && parameters[i] == ' ') {
            ++i;
        }
        std::size_t start = i;
        while (i < parameters.size() && parameters[i] != ' ') {
            ++i;
        }
        if (i > start) {
            arguments.emplace_back(parameters.substr(start, i - start));
        }
    }
    return arguments;
}

}  // namespace halvera
