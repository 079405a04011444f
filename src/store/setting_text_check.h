#pragma once

#include <string>
#include <string_view>

namespace halvera {

// The message of a setting text that holds a comma (CP932), empty otherwise: the node file
// and the logs separate their fields with commas, so a comma inside a stored text would split
// its field.
std::string CheckSettingText(std::string_view textCp932);

}  // namespace halvera
