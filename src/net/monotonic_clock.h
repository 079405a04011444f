#pragma once

#include <chrono>

namespace halvera {

// Time that only moves forward, for pacing and waiting; tests replace it.
class MonotonicClock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~MonotonicClock() = default;
    virtual TimePoint Now() const = 0;
};

class SteadyClock : public MonotonicClock {
  public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
};

}  // namespace halvera
