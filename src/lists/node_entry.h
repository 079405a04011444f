#pragma once

#include <string>

#include "base/ip_address.h"
#include "base/local_stamp.h"
#include "lists/node_row_colour.h"
#include "lists/test_bits.h"

namespace halvera {

// One node of the node list as the runs, the views, the CLI and the export know it. Texts
// are CP932; the display cells are formatted from it and never read back.
struct NodeEntry {
    Ipv4 ip = 0;
    MacAddress mac{};  // all zero until the node has answered
    std::string label;
    std::string host;
    std::string domain;
    std::string vendor;
    TestBits testBits = 0;
    NodeMark mark = NodeMark::Down;
    bool monitored = false;
    // A run probes the node now ("検索中・・・" in the "監視" column).
    bool searching = false;
    int image = -1;
    LocalStamp detected;
    LocalStamp updated;

    bool operator==(const NodeEntry&) const = default;
};

}  // namespace halvera
