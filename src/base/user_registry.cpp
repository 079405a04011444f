#include "base/user_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/atomic_replace.h"
#include "base/text_codec.h"
#include "base/text_file.h"
#include "base/text_helpers.h"
#include "base/xdg_folders.h"

namespace halvera {
namespace {

constexpr std::string_view HEADER = "REGEDIT4";
constexpr std::string_view DWORD_PREFIX = "dword:";
constexpr std::size_t DWORD_DIGITS = 8;

// Length of the CP932 character at text[i]: 2 for a lead byte with its trail byte, else 1.
// Trail bytes may be '\' (0x5C), which must not be taken for an escape.
std::size_t CharWidth(std::string_view text, std::size_t i) {
    return IsCp932PairAt(text, i) ? 2 : 1;
}

// "text" with '\' and '"' escaped, or nothing when the text cannot stand on one line.
std::optional<std::string> Quote(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        std::size_t width = CharWidth(text, i);
        char c = text[i];
        if (width == 1 && (IsCp932LeadByte(static_cast<unsigned char>(c)) || c == '\r' ||
                           c == '\n' || c == '\0')) {
            return std::nullopt;
        }
        if (width == 1 && (c == '\\' || c == '"')) {
            out += '\\';
        }
        out.append(text.substr(i, width));
        i += width;
    }
    out += '"';
    return out;
}

// Reads a quoted text that starts at text[pos]; moves pos past its closing quote. Nothing
// for a text without its closing quote (a cut file) or with an unknown escape.
std::optional<std::string> ReadQuoted(std::string_view text, std::size_t& pos) {
    if (pos >= text.size() || text[pos] != '"') {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = pos + 1; i < text.size();) {
        std::size_t width = CharWidth(text, i);
        char c = text[i];
        if (width == 1 && c == '"') {
            pos = i + 1;
            return out;
        }
        if (width == 1 && c == '\\') {
            if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"')) {
                return std::nullopt;
            }
            ++i;
        }
        out.append(text.substr(i, width));
        i += width;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ReadDword(std::string_view data) {
    if (data.size() != DWORD_PREFIX.size() + DWORD_DIGITS ||
        !EqualsNoCase(data.substr(0, DWORD_PREFIX.size()), DWORD_PREFIX)) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : data.substr(DWORD_PREFIX.size())) {
        std::uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value << 4 | digit;
    }
    return value;
}

// The data after "name": ="text" or =dword:XXXXXXXX, blanks allowed around '='.
std::optional<RegistryValue> ReadData(std::string_view rest) {
    rest = Trim(rest);
    if (rest.empty() || rest.front() != '=') {
        return std::nullopt;
    }
    rest = Trim(rest.substr(1));
    if (!rest.empty() && rest.front() == '"') {
        std::size_t pos = 0;
        std::optional<std::string> text = ReadQuoted(rest, pos);
        if (!text || pos != rest.size()) {
            return std::nullopt;
        }
        return std::optional<RegistryValue>(std::in_place, std::move(*text));
    }
    std::optional<std::uint32_t> number = ReadDword(rest);
    if (!number) {
        return std::nullopt;
    }
    return std::optional<RegistryValue>(std::in_place, *number);
}

std::string KeyLineText() {
    return "[" + std::string(USER_REGISTRY_KEY) + "]";
}

// Creates a missing folder and its missing parents, private to the user.
bool MakeFolders(const std::filesystem::path& folder) {
    if (folder.empty()) {
        return true;
    }
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode);
    }
    if (errno != ENOENT || !MakeFolders(folder.parent_path())) {
        return false;
    }
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

std::filesystem::path DefaultUserRegistryPath() {
    return XdgConfigHome() / "Draymoor" / "Kelvane" / "datareg.reg";
}

UserRegistry::UserRegistry(std::filesystem::path file) : m_path(std::move(file)) {}

std::vector<UserRegistry::Line> UserRegistry::Parse(std::string_view content) {
    std::vector<Line> lines;
    bool inOwnKey = false;
    while (!content.empty()) {
        std::string_view raw = TakeLine(content);
        Line line;
        line.text = std::string(raw);
        std::string_view text = Trim(raw);
        if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
            line.kind = LineKind::Key;
            line.ownKey = EqualsNoCase(text.substr(1, text.size() - 2), USER_REGISTRY_KEY);
            inOwnKey = line.ownKey;
        } else if (inOwnKey && !text.empty() && text.front() == '"') {
            std::size_t pos = 0;
            std::optional<std::string> name = ReadQuoted(text, pos);
            if (name) {
                line.kind = LineKind::Value;
                line.name = std::move(*name);
                line.value = ReadData(text.substr(pos));
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

bool UserRegistry::ReadLines(const std::filesystem::path& path, std::vector<Line>& lines,
                             bool& missing) {
    missing = false;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT;
        return false;
    }
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    std::string content;
    char buffer[4096];
    while (ok) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    if (ok) {
        lines = Parse(content);
    }
    return ok;
}

bool UserRegistry::WriteLines(const std::vector<Line>& lines) const {
    if (!MakeFolders(m_path.parent_path())) {
        return false;
    }
    std::string content;
    for (const Line& line : lines) {
        content += line.text;
        content += "\r\n";
    }
    return ReplaceFileContent(m_path, content, 0600).Replaced();
}

bool UserRegistry::CreateKey() {
    CloseKey();
    std::vector<Line> lines;
    bool missing = false;
    if (!ReadLines(m_path, lines, missing) && !missing) {
        return false;
    }
    bool hasKey = false;
    for (const Line& line : lines) {
        hasKey = hasKey || line.ownKey;
    }
    if (!hasKey) {
        if (lines.empty() || Trim(lines.front().text) != HEADER) {
            Line header;
            header.text = std::string(HEADER);
            lines.insert(lines.begin(), {header, Line{}});
        }
        if (!lines.back().text.empty()) {
            lines.push_back(Line{});
        }
        Line key;
        key.text = KeyLineText();
        key.kind = LineKind::Key;
        key.ownKey = true;
        lines.push_back(std::move(key));
        if (!WriteLines(lines)) {
            return false;
        }
    }
    m_lines = std::move(lines);
    m_open = true;
    return true;
}

bool UserRegistry::OpenKey() {
    CloseKey();
    std::vector<Line> lines;
    bool missing = false;
    if (!ReadLines(m_path, lines, missing)) {
        return false;
    }
    for (const Line& line : lines) {
        if (line.ownKey) {
            m_lines = std::move(lines);
            m_open = true;
            return true;
        }
    }
    return false;
}

void UserRegistry::CloseKey() {
    m_open = false;
    m_lines.clear();
}

int UserRegistry::FindValue(std::string_view name) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == LineKind::Value && EqualsNoCase(m_lines[i].name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool UserRegistry::SetValue(std::string_view name, const RegistryValue& value) {
    if (!m_open) {
        return false;
    }
    // Like the registry, a value written again keeps the spelling of its name.
    int index = FindValue(name);
    std::string storedName =
        index >= 0 ? m_lines[static_cast<std::size_t>(index)].name : std::string(name);
    std::optional<std::string> quotedName = Quote(storedName);
    std::optional<std::string> data;
    if (const std::string* text = std::get_if<std::string>(&value)) {
        data = Quote(*text);
    } else {
        char number[DWORD_PREFIX.size() + DWORD_DIGITS + 1];
        std::snprintf(number, sizeof number, "dword:%08x", std::get<std::uint32_t>(value));
        data = number;
    }
    if (!quotedName || !data) {
        return false;
    }
    Line line{*quotedName + "=" + *data, LineKind::Value, false, storedName, value};

    std::vector<Line> lines = m_lines;
    if (index >= 0) {
        lines[static_cast<std::size_t>(index)] = std::move(line);
    } else {
        // After the last non-empty line of the key, so the blank line before the next key stays.
        std::size_t keyLine = 0;
        while (!lines[keyLine].ownKey) {
            ++keyLine;
        }
        std::size_t insertAt = keyLine + 1;
        for (std::size_t i = insertAt; i < lines.size() && lines[i].kind != LineKind::Key; ++i) {
            if (!Trim(lines[i].text).empty()) {
                insertAt = i + 1;
            }
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
    }
    if (!WriteLines(lines)) {
        return false;
    }
    m_lines = std::move(lines);
    return true;
}

std::optional<RegistryValue> UserRegistry::QueryValue(std::string_view name) const {
    if (!m_open) {
        return std::nullopt;
    }
    int index = FindValue(name);
    if (index < 0) {
        return std::nullopt;
    }
    const std::optional<RegistryValue>& value = m_lines[static_cast<std::size_t>(index)].value;
    const std::string* text = value ? std::get_if<std::string>(&*value) : nullptr;
    if (text != nullptr && text->size() + 1 > REGISTRY_QUERY_BUFFER) {
        return std::nullopt;
    }
    return value;
}

}  // namespace halvera
