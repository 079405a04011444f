#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace halvera {

// The external file of an event: a path and a parameter text in one line of text.
struct ExternalFile {
    std::string path;
    std::string parameters;
};

// Splits the external file text of an event. A blank after the first character belongs to
// the path while the rest of the text (blank included) still holds a path separator and
// something follows the blank, so "/opt/My Tools/notify %IP" keeps its blank; otherwise the
// blank ends the path and the rest is the parameter text. '\' and '/' both count as
// separators; the second byte of a two-byte CP932 character is never taken for one.
ExternalFile SplitExternalFile(std::string_view text);

// The parameter text split at blanks into separate arguments, never through a shell: the
// parameters hold host names and labels from the network.
std::vector<std::string> SplitArguments(std::string_view parameters);

}  // namespace halvera
