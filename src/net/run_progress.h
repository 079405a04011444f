#pragma once

#include <atomic>
#include <cstdint>

namespace halvera {

// How far the current run has come, for a front end that shows it while the run goes on.
// Written by the run thread, read by anyone.
struct RunProgress {
    // The addresses the run walks: a range search every address of its ranges (the skipped
    // ones too), a list refresh the stored nodes, a node refresh one.
    std::atomic<std::uint64_t> total{0};
    std::atomic<std::uint64_t> done{0};
    // The addresses where a node answered.
    std::atomic<std::uint64_t> found{0};

    void Start(std::uint64_t addresses) {
        done = 0;
        found = 0;
        total = addresses;
    }
};

}  // namespace halvera
