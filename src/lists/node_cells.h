#pragma once

#include <string>

#include "lists/list_table.h"
#include "lists/node_entry.h"

namespace halvera {

// The "監視" text of the row of the node a run is probing (CP932 of "検索中・・・").
std::string SearchingText();
// The "ST" text of a mark: "." up, "x" sniffing, empty down.
std::string NodeMarkText(NodeMark mark);
// "●" (CP932) for a set test bit, empty otherwise: the "B47", "B16" and "B8" cells.
std::string TestBitMark(TestBits bits, TestBits bit);

// The node list row that shows the node: its cells in the columns' order, the check box of
// its monitored flag, its image and, as the row's tone, its NodeRowColour.
ListRow NodeRowOf(const NodeEntry& node);

}  // namespace halvera
