#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace halvera {

// The program's freedesktop desktop entries: the autostart entry that starts the running
// program at login, and the menu entry (with a help entry beside it when the program folder
// holds the help document). Registering again overwrites what an earlier registration wrote.

inline constexpr const char* DESKTOP_ENTRY_NAME = "Halvera.desktop";
inline constexpr const char* HELP_ENTRY_NAME = "Halvera-help.desktop";
// The program the menu entry starts and the help document, in the program folder.
inline constexpr const char* MENU_PROGRAM_NAME = "halvera";
inline constexpr const char* HELP_DOCUMENT_NAME = "Kelvane.html";
// The program's icon, copied beside the program by the build.
inline constexpr const char* ICON_FILE_NAME = "halvera.png";

// The text of the application entry that starts `program` in `folder`, with the icon when
// `icon` is not empty; nothing when a path cannot stand in an entry (not UTF-8, or holding
// a control character).
std::optional<std::string> ApplicationEntryText(const std::filesystem::path& program,
                                                const std::filesystem::path& folder,
                                                const std::filesystem::path& icon);
// The text of the link entry that opens the help document.
std::optional<std::string> HelpEntryText(const std::filesystem::path& document);

// $XDG_CONFIG_HOME/autostart/Halvera.desktop, starting `program` (the running executable).
bool RegisterAutostart(const std::filesystem::path& program,
                       const std::filesystem::path& configHome);
// $XDG_DATA_HOME/applications/Halvera/Halvera.desktop, starting the program of the program
// folder; then the help entry beside it, only when the help document exists (its result is
// not part of the outcome).
bool RegisterProgramMenu(const std::filesystem::path& programFolder,
                         const std::filesystem::path& dataHome);

}  // namespace halvera
