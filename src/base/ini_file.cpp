#include "base/ini_file.h"

#include <cstdint>
#include <fstream>
#include <iterator>

#include "base/atomic_replace.h"
#include "base/text_file.h"
#include "base/text_helpers.h"

namespace halvera {
namespace {

std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

}  // namespace

IniFile IniFile::Load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    // A read error (a folder in the file's place, a failing disk) reads as an empty file;
    // the stream reports it by throwing, whatever its exception mask says.
    try {
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return Parse(content);
    } catch (const std::ios_base::failure&) {
        return {};
    }
}

IniFile IniFile::Parse(std::string_view content) {
    IniFile ini;
    std::string current;
    while (!content.empty()) {
        std::string_view raw = TakeLine(content);
        Line line{std::string(raw), {}, {}, {}};
        std::string_view text = TrimWithCr(raw);
        if (!text.empty() && text.front() == '[') {
            std::size_t close = text.find(']');
            if (close != std::string_view::npos) {
                current = std::string(TrimWithCr(text.substr(1, close - 1)));
                line.section = current;
            }
        } else if (!text.empty() && text.front() != ';' && !current.empty()) {
            std::size_t equals = text.find('=');
            std::string_view key = equals == std::string_view::npos
                                       ? std::string_view()
                                       : TrimWithCr(text.substr(0, equals));
            // A line without a key name ("=value") is kept as text, never taken for a key.
            if (!key.empty()) {
                line.key = std::string(key);
                line.value = std::string(TrimWithCr(text.substr(equals + 1)));
                line.section = current;
            }
        }
        ini.m_lines.push_back(std::move(line));
    }
    return ini;
}

int IniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].key.empty() && !m_lines[i].section.empty() &&
            EqualsNoCase(m_lines[i].section, section)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int IniFile::FindKey(std::string_view section, std::string_view key) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (!line.key.empty() && EqualsNoCase(line.section, section) &&
            EqualsNoCase(line.key, key)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
    int index = FindKey(section, key);
    if (index < 0) {
        return std::nullopt;
    }
    return Unquote(m_lines[static_cast<std::size_t>(index)].value);
}

std::vector<std::pair<std::string, std::string>> IniFile::Entries(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const Line& line : m_lines) {
        if (!line.key.empty() && EqualsNoCase(line.section, section)) {
            entries.emplace_back(line.key, Unquote(line.value));
        }
    }
    return entries;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string text = std::string(key) + "=" + std::string(value);
    int index = FindKey(section, key);
    if (index >= 0) {
        Line& line = m_lines[static_cast<std::size_t>(index)];
        line.text = text;
        line.value = std::string(value);
        return;
    }
    Line added{text, std::string(section), std::string(key), std::string(value)};
    int start = FindSection(section);
    if (start < 0) {
        m_lines.push_back({"[" + std::string(section) + "]", std::string(section), {}, {}});
        m_lines.push_back(std::move(added));
        return;
    }
    // After the last key line of the section, so blank lines before the next section stay.
    std::size_t insertAt = static_cast<std::size_t>(start) + 1;
    for (std::size_t i = insertAt; i < m_lines.size(); ++i) {
        if (m_lines[i].key.empty() && !m_lines[i].section.empty()) {
            break;
        }
        if (!m_lines[i].key.empty()) {
            insertAt = i + 1;
        }
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(added));
}

std::string IniFile::Serialize() const {
    std::string out;
    for (const Line& line : m_lines) {
        out += line.text;
        out += "\r\n";
    }
    return out;
}

bool IniFile::Save(const std::filesystem::path& path) const {
    return ReplaceFileContent(path, Serialize()).Replaced();
}

std::string ReadIniString(const std::filesystem::path& path, std::string_view section,
                          std::string_view key, std::string_view defaultValue, std::size_t size) {
    std::string value = IniFile::Load(path).Find(section, key).value_or(std::string(defaultValue));
    if (size == 0) {
        return {};
    }
    if (value.size() > size - 1) {
        value.resize(size - 1);
    }
    return value;
}

int ReadIniInt(const std::filesystem::path& path, std::string_view section, std::string_view key,
               int defaultValue) {
    auto value = IniFile::Load(path).Find(section, key);
    return value ? ParseIntLikeAtoi(*value) : defaultValue;
}

bool WriteIniString(const std::filesystem::path& path, std::string_view section,
                    std::string_view key, std::string_view value) {
    IniFile ini = IniFile::Load(path);
    ini.Set(section, key, value);
    return ini.Save(path);
}

int ParseIntLikeAtoi(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (IsBlank(text[i]) || text[i] == '\n' || text[i] == '\r' ||
                               text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    return static_cast<int>(negative ? 0u - value : value);
}

}  // namespace halvera
