#pragma once

#include <string>
#include <string_view>

namespace halvera {

// The message of a node label the node database cannot keep (CP932), empty when it may be
// stored: at most NODE_LABEL_MAX bytes, and no comma. An empty label clears the node's label.
std::string CheckNodeLabel(std::string_view labelCp932);

}  // namespace halvera
