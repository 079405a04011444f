#pragma once

#include <cstdint>
#include <vector>

#include "store/node_store.h"

namespace halvera::test {

// The monitoring flag of every node record, in file order.
inline std::vector<std::uint32_t> MonitorFlags(NodeStore& nodes) {
    std::vector<std::uint32_t> flags;
    NodeRecord record;
    for (std::size_t n = 0; nodes.ReadNodeAt(n, record) == 0; ++n) {
        flags.push_back(record.monitor);
    }
    return flags;
}

}  // namespace halvera::test
