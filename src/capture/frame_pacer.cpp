#include "capture/frame_pacer.h"

#include <algorithm>
#include <thread>

namespace halvera {

FramePacer::FramePacer()
    : FramePacer(std::chrono::steady_clock::now,
                 [](TimePoint until) { std::this_thread::sleep_until(until); }) {}

FramePacer::FramePacer(Now now, SleepUntil sleepUntil)
    : m_now(std::move(now)), m_sleepUntil(std::move(sleepUntil)) {}

void FramePacer::WaitTurn(int framesPerSecond) {
    using std::chrono::nanoseconds;
    const long long rate = std::max(framesPerSecond, 1);
    // Rounded up, so that rate frames never fit into less than a second.
    const nanoseconds interval((1'000'000'000LL + rate - 1) / rate);
    TimePoint now = m_now();
    if (m_last && now < *m_last + interval) {
        m_sleepUntil(*m_last + interval);
        // The spacing counts from when the frame really leaves: a late wake-up must not
        // let the next frame catch up.
        now = std::max(m_now(), *m_last + interval);
    }
    m_last = now;
}

}  // namespace halvera
