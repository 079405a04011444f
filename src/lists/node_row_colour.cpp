#include "lists/node_row_colour.h"

namespace halvera {

NodeMark NodeMarkOf(std::string_view stCell) {
    if (stCell.starts_with('.')) {
        return NodeMark::Up;
    }
    if (stCell.starts_with('x')) {
        return NodeMark::Sniffing;
    }
    return NodeMark::Down;
}

NodeRowColour NodeRowColourOf(bool checked, std::string_view stCell) {
    if (!checked) {
        return NodeRowColour::Unmonitored;
    }
    switch (NodeMarkOf(stCell)) {
        case NodeMark::Up:
            return NodeRowColour::Up;
        case NodeMark::Sniffing:
            return NodeRowColour::Sniffing;
        case NodeMark::Down:
            break;
    }
    return NodeRowColour::Stopped;
}

}  // namespace halvera
