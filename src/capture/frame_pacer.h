#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace halvera {

// Spaces frames so that a packet-rate cap holds in every one-second window: each frame
// leaves at least 1/rate after the one before it, whatever round or call it belongs to. A
// managed switch that inspects ARP drops (or shuts the port on) bursts above its limit.
class FramePacer {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Now = std::function<TimePoint()>;
    using SleepUntil = std::function<void(TimePoint)>;

    FramePacer();
    FramePacer(Now now, SleepUntil sleepUntil);

    // Waits until the next frame may leave at framesPerSecond (below 1 counts as 1) and
    // counts it as leaving now.
    void WaitTurn(int framesPerSecond);

  private:
    Now m_now;
    SleepUntil m_sleepUntil;
    std::optional<TimePoint> m_last;
};

}  // namespace halvera
