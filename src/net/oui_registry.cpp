#include "net/oui_registry.h"

#include <map>

#include "base/text_codec.h"
#include "base/text_helpers.h"
#include "store/node_record.h"

namespace halvera {
namespace {

// Plain letters of U+00C0..U+00FF; "*" marks the letters that fold to two.
constexpr std::string_view LATIN1_FOLD =
    "AAAAAA*CEEEEIIIIDNOOOOOxOUUUUY**aaaaaa*ceeeeiiiidnooooo/ouuuuy*y";
// Plain letters of U+0100..U+017F (Latin Extended-A).
constexpr std::string_view LATIN_A_FOLD =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlLlLlNnNnNnnNnOoOoOoOoRrRrRrSsSs"
    "SsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
static_assert(LATIN1_FOLD.size() == 0x40);
static_assert(LATIN_A_FOLD.size() == 0x80);

// Decodes one UTF-8 character at the front of text; a malformed sequence gives U+FFFD and
// consumes one byte.
char32_t NextCodePoint(std::string_view text, std::size_t& length) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char first = byte(0);
    length = 1;
    if (first < 0x80) {
        return first;
    }
    std::size_t count = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC2 ? 2 : 0;
    if (count == 0 || first > 0xF4 || text.size() < count) {
        return 0xFFFD;
    }
    char32_t code = first & (0x7F >> count);
    for (std::size_t i = 1; i < count; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0xFFFD;
        }
        code = code << 6 | (byte(i) & 0x3F);
    }
    length = count;
    return code;
}

std::string FoldLatin1(char32_t code) {
    switch (code) {
        case 0xC6:
            return "AE";
        case 0xDE:
            return "Th";
        case 0xDF:
            return "ss";
        case 0xE6:
            return "ae";
        case 0xFE:
            return "th";
        default:
            return std::string(1, LATIN1_FOLD[code - 0xC0]);
    }
}

// The CP932 form of one character of a registry name.
std::string CharacterCp932(char32_t code, std::string_view utf8) {
    if (code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0) || code == 0xA0 ||
        (code >= 0x2000 && code <= 0x200A)) {
        return " ";
    }
    if (code < 0x80) {
        return std::string(1, static_cast<char>(code));
    }
    if ((code >= 0x300 && code <= 0x36F) || (code >= 0x200B && code <= 0x200D) || code == 0xFEFF) {
        return {};  // combining marks and zero-width characters
    }
    if (code >= 0xC0 && code <= 0xFF) {
        return FoldLatin1(code);
    }
    if (code >= 0x100 && code <= 0x17F) {
        return std::string(1, LATIN_A_FOLD[code - 0x100]);
    }
    if (code >= 0x2010 && code <= 0x2015) {
        return "-";
    }
    if (code == 0x2018 || code == 0x2019) {
        return "'";
    }
    auto converted = code == 0xFFFD ? std::nullopt : Utf8ToCp932(utf8);
    return converted ? *converted : "?";
}

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace

std::string VendorNameCp932(std::string_view utf8) {
    std::string name;
    while (!utf8.empty()) {
        std::size_t length = 0;
        char32_t code = NextCodePoint(utf8, length);
        name += CharacterCp932(code, utf8.substr(0, length));
        utf8.remove_prefix(length);
    }
    std::string_view trimmed = TrimWithCr(name);
    return std::string(TrimWithCr(CutCp932(trimmed, NODE_NAME_MAX)));
}

std::string BuildMaclist(std::string_view ouiText, std::size_t* entries) {
    static constexpr std::string_view MARK = "(base 16)";
    std::map<std::string, std::string> names;
    while (!ouiText.empty()) {
        std::size_t end = ouiText.find('\n');
        std::string_view line = ouiText.substr(0, end);
        ouiText = end == std::string_view::npos ? std::string_view() : ouiText.substr(end + 1);
        if (line.size() < 6) {
            continue;
        }
        std::string key(line.substr(0, 6));
        std::string_view rest = TrimWithCr(line.substr(6));
        bool hex = true;
        for (char& c : key) {
            hex = hex && IsHex(c);
            if (c >= 'a' && c <= 'f') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        if (!hex || rest.substr(0, MARK.size()) != MARK) {
            continue;
        }
        std::string name = VendorNameCp932(TrimWithCr(rest.substr(MARK.size())));
        if (!name.empty()) {
            names.emplace(std::move(key), std::move(name));
        }
    }
    std::string table = "[MAC]\r\n";
    for (const auto& [key, name] : names) {
        table += key + "=" + name + "\r\n";
    }
    if (entries != nullptr) {
        *entries = names.size();
    }
    return table;
}

}  // namespace halvera
