#pragma once

#include <cstdint>

#include "lists/node_entry.h"
#include "lists/node_table.h"
#include "lists/progress.h"
#include "store/node_record.h"
#include "store/node_store.h"

namespace halvera {

// The mark of a node: up, up and a sniffing node under PROMISS, or down when not up.
NodeMark NodeMarkOf(int status, std::int32_t promiss, TestBits bits);

// The node list's node of a stored record (its dates as stored, its vendor as the record
// has it, its mark by its status under PROMISS).
NodeEntry NodeEntryOf(const NodeRecord& record, std::int32_t promiss);

// Fills the node list from the node store at start-up: one node per record in store order,
// with the vendor looked up from the MAC and the mark of the stored status. The progress,
// when given, moves to each record's index.
void LoadNodeList(NodeTable& nodeList, NodeStore& nodes, std::int32_t promiss, Progress* progress);

}  // namespace halvera
