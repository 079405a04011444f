#include "lists/node_row_colour.h"

namespace halvera {

NodeRowColour NodeRowColourOf(bool monitored, NodeMark mark) {
    if (!monitored) {
        return NodeRowColour::Unmonitored;
    }
    switch (mark) {
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
