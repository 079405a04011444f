#pragma once

#include <string_view>

namespace halvera {

// What the "ST" cell of a node list row says by its first character: "." up, "x" up and a
// sniffing node, anything else (an empty cell) down.
enum class NodeMark { Up, Sniffing, Down };

NodeMark NodeMarkOf(std::string_view stCell);

// Which of the list colours a node list row is drawn in (NCOLOR, FCOLOR, PCOLOR, SCOLOR).
enum class NodeRowColour { Unmonitored, Up, Sniffing, Stopped };

// The colour of a row: an unticked row is unmonitored; otherwise its mark decides.
NodeRowColour NodeRowColourOf(bool checked, std::string_view stCell);

}  // namespace halvera
