#pragma once

#include <filesystem>

namespace halvera {

// The user's base folders of the freedesktop base directory rules: the variable when it
// holds an absolute path, else below the home folder ($HOME, then the password entry).
std::filesystem::path XdgConfigHome();  // $XDG_CONFIG_HOME or ~/.config
std::filesystem::path XdgDataHome();    // $XDG_DATA_HOME or ~/.local/share

}  // namespace halvera
