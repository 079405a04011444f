#pragma once

#include <string>
#include <string_view>

namespace halvera {

// The message of a setting text that holds a comma or else a C0 control character or DEL
// (CP932), empty otherwise: the node file and the logs separate their fields with commas and
// their records with line ends, so either inside a stored text would split it, and a mail
// that carries the text would read ESC, SO or SI as a change of character set.
std::string CheckSettingText(std::string_view textCp932);

}  // namespace halvera
