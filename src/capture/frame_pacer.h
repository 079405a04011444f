#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>

namespace halvera {

// Spaces frames so that a packet-rate cap holds in every one-second window, whatever round
// or call a frame belongs to: a managed switch that inspects ARP drops (or shuts the port
// on) bursts above its limit. Frames keep to a schedule of one slot every 1/rate; a wake-up
// that comes late does not push the schedule back (the spacing would otherwise add the
// scheduler's lateness to every frame and the sweep would run well below its rate), while a
// frame that comes after its slot has passed starts the schedule afresh, so a pause earns no
// burst. The rate frames before a frame must all have left a second before it.
class FramePacer {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Now = std::function<TimePoint()>;
    using SleepUntil = std::function<void(TimePoint)>;

    FramePacer();
    FramePacer(Now now, SleepUntil sleepUntil);

    // Lets one frame leave at framesPerSecond (below 1 counts as 1): waits for its turn, calls
    // send, and counts the frame as gone when send returns. Returns what send returned.
    bool Send(int framesPerSecond, const std::function<bool()>& send);

  private:
    Now m_now;
    SleepUntil m_sleepUntil;
    std::optional<TimePoint> m_slot;  // the last frame's place in the schedule
    std::deque<TimePoint> m_left;     // when the frames of the last second had left
};

}  // namespace halvera
