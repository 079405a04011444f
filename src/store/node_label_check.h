#pragma once

#include <string>
#include <string_view>

namespace halvera {

// The message of a node label the node database cannot keep (CP932), empty when it may be
// stored: at most NODE_LABEL_MAX bytes, no comma and no control character. An empty label
// clears the node's label.
std::string CheckNodeLabel(std::string_view labelCp932);

// A label as a front end has it (UTF-8), in the node database's CP932. A character that CP932
// cannot express is refused rather than kept as "?": message (CP932) says so in the words of
// the other label checks, and is empty when the label converts.
struct NodeLabelText {
    std::string cp932;
    std::string message;
};
NodeLabelText NodeLabelFromUtf8(std::string_view utf8);

}  // namespace halvera
