#pragma once

#include <chrono>
#include <cstdio>

#include "support/lab.h"

namespace halvera::bench {

// Wall time of `run` in seconds; negative when it failed.
template <class Run>
double Seconds(Run run) {
    const auto start = std::chrono::steady_clock::now();
    const bool done = run();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return done ? seconds : -1.0;
}

// Builds the lab when needed and moves the calling thread into its own host, where the lab
// benchmarks send from; false, with the reason on standard error, when that cannot be.
inline bool EnterLab(const char* benchmark) {
    test::Lab& lab = test::Lab::Get();
    if (!lab.SkipReason().empty() || !lab.Failure().empty()) {
        std::fprintf(stderr, "%s: %s%s\n", benchmark, lab.SkipReason().c_str(),
                     lab.Failure().c_str());
        return false;
    }
    if (!lab.EnterOwnHost()) {
        std::fprintf(stderr, "%s: cannot enter the own host's namespace\n", benchmark);
        return false;
    }
    return true;
}

}  // namespace halvera::bench
