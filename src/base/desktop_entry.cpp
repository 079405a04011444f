#include "base/desktop_entry.h"

#include <string_view>
#include <system_error>

#include "base/atomic_replace.h"

namespace halvera {
namespace {

constexpr const char* MENU_FOLDER = "Halvera";
constexpr const char* COMMENT = "ローカルネットワークのノードと盗聴ノードを監視します";

// Well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        char32_t value = lead;
        if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
        } else if (lead >= 0xE0) {
            length = lead <= 0xEF ? 3 : 0;
            value = lead & 0x0F;
        } else if (lead >= 0xC2) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0x80) {
            length = 0;
        }
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = value << 6 | (next & 0x3F);
        }
        const char32_t smallest = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0;
        if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// A path as a desktop entry may hold it: valid UTF-8 without control characters.
std::optional<std::string> EntryPath(const std::filesystem::path& path) {
    const std::string& text = path.native();
    if (text.empty() || !IsUtf8(text)) {
        return std::nullopt;
    }
    for (const unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            return std::nullopt;
        }
    }
    return text;
}

// A string value: the backslash is the one escape a path can need.
std::string StringValue(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

// The program as the one, quoted argument of Exec: inside the quotes ", `, $ and \ take a
// backslash, % is doubled as a field code would otherwise begin, and the string value's
// own escaping doubles every backslash once more.
std::string ExecValue(const std::string& program) {
    std::string quoted = "\"";
    for (const char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        } else if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    quoted += '"';
    return StringValue(quoted);
}

// file:// URL of an absolute path, every byte outside the unreserved set and "/" encoded.
std::string FileUrl(const std::string& path) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += HEX[c >> 4];
            url += HEX[c & 0xF];
        }
    }
    return url;
}

bool WriteEntry(const std::filesystem::path& target, const std::optional<std::string>& text) {
    if (!text) {
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    if (error) {
        return false;
    }
    return ReplaceFileContent(target, *text, 0644).Replaced();
}

}  // namespace

std::optional<std::string> ApplicationEntryText(const std::filesystem::path& program,
                                                const std::filesystem::path& folder,
                                                const std::filesystem::path& icon) {
    const auto exec = EntryPath(program);
    const auto path = EntryPath(folder);
    if (!exec || !path) {
        return std::nullopt;
    }
    std::string text = "[Desktop Entry]\nType=Application\nVersion=1.0\nName=Halvera\n";
    text += "Comment=" + std::string(COMMENT) + "\n";
    text += "Exec=" + ExecValue(*exec) + "\n";
    text += "Path=" + StringValue(*path) + "\n";
    if (!icon.empty()) {
        const auto iconPath = EntryPath(icon);
        if (!iconPath) {
            return std::nullopt;
        }
        text += "Icon=" + StringValue(*iconPath) + "\n";
    }
    text += "Terminal=false\nCategories=Network;Monitor;\n";
    return text;
}

std::optional<std::string> HelpEntryText(const std::filesystem::path& document) {
    const auto path = EntryPath(document);
    if (!path) {
        return std::nullopt;
    }
    return "[Desktop Entry]\nType=Link\nVersion=1.0\nName=Kelvaneのヘルプ\nURL=" +
           StringValue(FileUrl(*path)) + "\n";
}

bool RegisterAutostart(const std::filesystem::path& program,
                       const std::filesystem::path& configHome) {
    const std::filesystem::path icon = program.parent_path() / ICON_FILE_NAME;
    const auto text = ApplicationEntryText(program, program.parent_path(),
                                           std::filesystem::exists(icon) ? icon : "");
    return WriteEntry(configHome / "autostart" / DESKTOP_ENTRY_NAME, text);
}

bool RegisterProgramMenu(const std::filesystem::path& programFolder,
                         const std::filesystem::path& dataHome) {
    const std::filesystem::path menu = dataHome / "applications" / MENU_FOLDER;
    const std::filesystem::path icon = programFolder / ICON_FILE_NAME;
    const auto text = ApplicationEntryText(programFolder / MENU_PROGRAM_NAME, programFolder,
                                           std::filesystem::exists(icon) ? icon : "");
    if (!WriteEntry(menu / DESKTOP_ENTRY_NAME, text)) {
        return false;
    }
    const std::filesystem::path help = programFolder / HELP_DOCUMENT_NAME;
    if (std::filesystem::exists(help)) {
        WriteEntry(menu / HELP_ENTRY_NAME, HelpEntryText(help));
    }
    return true;
}

}  // namespace halvera
