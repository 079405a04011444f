#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace halvera {

// The key that holds the mail settings, as it appears in the registry file.
inline constexpr std::string_view USER_REGISTRY_KEY =
    "HKEY_CURRENT_USER\\SOFTWARE\\Draymoor\\Kelvane\\datareg";

// A query reads into a buffer of this size: a text value needs one more byte for its NUL.
inline constexpr std::size_t REGISTRY_QUERY_BUFFER = 260;

// A registry value: a CP932 text (stored as "text") or a 32-bit number (stored as dword:).
using RegistryValue = std::variant<std::string, std::uint32_t>;

// $XDG_CONFIG_HOME/Draymoor/Kelvane/datareg.reg; ~/.config when XDG_CONFIG_HOME is unset,
// empty or relative.
std::filesystem::path DefaultUserRegistryPath();

// The user's registry key kept in a file in the registry editor's export form, which Windows
// administrators read and edit by hand:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\SOFTWARE\Draymoor\Kelvane\datareg]
//   "smtpserver"="mail.example.com"
//   "pop"=dword:00000001
//
// CP932, CR LF. Lines this class does not understand (comments, other keys, other value
// types) are kept on every rewrite. The file holds a password, so it is written with mode
// 0600 through a temporary file and a rename: a crash never leaves half a file.
// One thread at a time: start-up loads, the mail settings dialog saves.
class UserRegistry {
  public:
    explicit UserRegistry(std::filesystem::path file);

    const std::filesystem::path& Path() const { return m_path; }

    // Opens the key, creating the folders, the file and the key line when missing.
    // False when the file cannot be read or written.
    bool CreateKey();
    // Opens the key when the file exists and holds the key line.
    bool OpenKey();
    void CloseKey();

    // Writes one value of the key and rewrites the file at once. False when the key is not
    // open, the text cannot be kept on one line (CR, LF, NUL, a cut two-byte character) or
    // the file cannot be written; the file then stays as it was.
    bool SetValue(std::string_view name, const RegistryValue& value);
    // Reads one value of the open key. Nothing when the key is not open, the value is
    // missing or cannot be parsed, or a text does not fit REGISTRY_QUERY_BUFFER.
    std::optional<RegistryValue> QueryValue(std::string_view name) const;

  private:
    enum class LineKind { Other, Key, Value };
    struct Line {
        std::string text;  // as in the file, without its end
        LineKind kind = LineKind::Other;
        bool ownKey = false;                 // a key line naming USER_REGISTRY_KEY
        std::string name;                    // a value line of the own key: its name
        std::optional<RegistryValue> value;  // nothing when its data cannot be parsed
    };

    static std::vector<Line> Parse(std::string_view content);
    static bool ReadLines(const std::filesystem::path& path, std::vector<Line>& lines,
                          bool& missing);
    bool WriteLines(const std::vector<Line>& lines) const;
    int FindValue(std::string_view name) const;

    std::filesystem::path m_path;
    bool m_open = false;
    std::vector<Line> m_lines;
};

}  // namespace halvera
