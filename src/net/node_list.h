#pragma once

#include <cstdint>
#include <string>

#include "base/ip_address.h"
#include "lists/list_table.h"
#include "lists/list_tables.h"
#include "lists/progress.h"
#include "net/probe_frame.h"
#include "store/node_record.h"
#include "store/node_store.h"

namespace halvera {

// The "監視" text of the row of the node a run is probing (CP932 of "検索中・・・").
std::string SearchingText();

// The "ST" mark of a node: "." up, "x" up and a sniffing node under PROMISS, empty when
// not up.
std::string NodeStatusMark(int status, std::int32_t promiss, TestBits bits);

// "●" (CP932) for a set test bit, empty otherwise: the "B47", "B16" and "B8" cells.
std::string TestBitMark(TestBits bits, TestBits bit);

// The first row whose address cell reads as ip and whose MAC cell is empty or shows mac;
// -1 when there is none.
int FindNodeRow(const ListTable& nodeList, Ipv4 ip, const MacAddress& mac);

// Removes the first row whose address cell shows ip and whose MAC cell reads as mac (an
// empty cell reads as all zero).
void RemoveNodeRow(ListTable& nodeList, Ipv4 ip, const MacAddress& mac);

// Fills the node list from the node store at start-up: one row per record in store order,
// laid out as the runs keep them, with the vendor looked up from the MAC and the "ST" mark
// of the stored status. The progress, when given, moves to each row's index.
void LoadNodeList(ListTable& nodeList, NodeStore& nodes, std::int32_t promiss, Progress* progress);

}  // namespace halvera
