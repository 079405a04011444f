#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvera {

// A settings-style file ("[SECTION]" lines and "KEY=value" lines) with the behaviour
// administrators know from Windows profile files: section and key names compare without
// case, the first occurrence wins, blanks around names and values are dropped, a value in
// matching quotes loses them, lines starting with ';' are comments, the order of keys and
// every unknown line is kept on rewrite, lines end in CR LF. Text is CP932, byte for byte.
class IniFile {
  public:
    // Reads the file; a missing or unreadable file gives an empty one.
    static IniFile Load(const std::filesystem::path& path);
    // Parses file content (CR LF or LF).
    static IniFile Parse(std::string_view content);

    // The value of a key, or nothing when the section or key is missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // Sets a key: replaced in place when present, else added at the end of its section, the
    // section added at the end of the file when missing.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // Every key and value of a section, in file order (first occurrence of each key).
    std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;

    std::string Serialize() const;
    bool Save(const std::filesystem::path& path) const;

  private:
    struct Line {
        std::string text;     // the line as it stands in the file, without its end
        std::string section;  // for a section line: its name
        std::string key;      // for a key line: its name
        std::string value;    // for a key line: its value as written
    };
    int FindSection(std::string_view section) const;
    int FindKey(std::string_view section, std::string_view key) const;

    std::vector<Line> m_lines;
};

// GetPrivateProfileString: the value cut to size - 1 bytes, or the default when missing.
std::string ReadIniString(const std::filesystem::path& path, std::string_view section,
                          std::string_view key, std::string_view defaultValue, std::size_t size);
// GetPrivateProfileInt: the value read like atoi, or the default when missing.
int ReadIniInt(const std::filesystem::path& path, std::string_view section, std::string_view key,
               int defaultValue);
// WritePrivateProfileString: sets one key and rewrites the file (created when missing).
bool WriteIniString(const std::filesystem::path& path, std::string_view section,
                    std::string_view key, std::string_view value);

// atoi: leading blanks, an optional sign, then decimal digits; anything else ends the number;
// out-of-range values wrap to 32 bits instead of overflowing.
int ParseIntLikeAtoi(std::string_view text);

}  // namespace halvera
