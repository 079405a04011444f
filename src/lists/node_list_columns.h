#pragma once

namespace halvera {

// Columns of the node list, in display order.
enum NodeListColumn {
    NODE_COL_MONITOR = 0,  // the check box; "検索中・・・" while a run probes the node
    NODE_COL_LABEL,
    NODE_COL_B47,
    NODE_COL_B16,
    NODE_COL_B8,
    NODE_COL_IP,
    NODE_COL_MAC,
    NODE_COL_HOST,
    NODE_COL_DOMAIN,
    NODE_COL_VENDOR,
    NODE_COL_DETECTED,
    NODE_COL_UPDATED,
    NODE_COL_ST,  // "." up, "x" sniffing, empty otherwise
    NODE_LIST_COLUMNS
};

}  // namespace halvera
