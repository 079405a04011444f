#include "capture/frame_pacer.h"

#include <algorithm>
#include <thread>

namespace halvera {

FramePacer::FramePacer()
    : FramePacer(std::chrono::steady_clock::now,
                 [](TimePoint until) { std::this_thread::sleep_until(until); }) {}

FramePacer::FramePacer(Now now, SleepUntil sleepUntil)
    : m_now(std::move(now)), m_sleepUntil(std::move(sleepUntil)) {}

bool FramePacer::Send(int framesPerSecond, const std::function<bool()>& send) {
    using std::chrono::nanoseconds;
    constexpr nanoseconds SECOND = std::chrono::seconds(1);
    const long long rate = std::max(framesPerSecond, 1);
    // Rounded up, so that rate slots never fit into less than a second.
    const nanoseconds interval((SECOND.count() + rate - 1) / rate);
    const TimePoint now = m_now();
    while (!m_left.empty() &&
           (m_left.front() + SECOND <= now || m_left.size() > static_cast<std::size_t>(rate))) {
        m_left.pop_front();
    }
    std::optional<TimePoint> due;
    if (m_slot) {
        due = *m_slot + interval;
    }
    if (m_left.size() == static_cast<std::size_t>(rate)) {
        // The frame `rate` before this one left less than a second ago.
        due = std::max(due.value_or(now), m_left.front() + SECOND);
    }
    if (due && now < *due) {
        m_sleepUntil(*due);
        m_slot = *due;
    } else {
        m_slot = now;
    }
    const bool sent = send();
    m_left.push_back(m_now());
    return sent;
}

}  // namespace halvera
