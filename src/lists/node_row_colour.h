#pragma once

namespace halvera {

// A node's state as the "ST" column shows it: "." up, "x" up and a sniffing node, empty down.
enum class NodeMark { Up, Sniffing, Down };

// Which of the list colours a node list row is drawn in (NCOLOR, FCOLOR, PCOLOR, SCOLOR).
enum class NodeRowColour { Unmonitored, Up, Sniffing, Stopped };

// The colour of a row: an unmonitored node's row is unmonitored; otherwise its mark decides.
NodeRowColour NodeRowColourOf(bool monitored, NodeMark mark);

}  // namespace halvera
