#include "capture/frame_pacer.h"

#include <gtest/gtest.h>

#include <vector>

namespace halvera {
namespace {

using std::chrono::milliseconds;
using TimePoint = FramePacer::TimePoint;

// A clock that only moves when the pacer sleeps or the test lets time pass; a sleep may
// wake up late by `oversleep`.
struct PretendTime {
    TimePoint now{};
    milliseconds oversleep{0};
    std::vector<long long> sent;  // ms since the start, when each frame was let go

    FramePacer Pacer() {
        return FramePacer([this] { return now; },
                          [this](TimePoint until) { now = std::max(now, until) + oversleep; });
    }
    void Send(FramePacer& pacer, int rate) {
        pacer.WaitTurn(rate);
        sent.push_back(std::chrono::duration_cast<milliseconds>(now - TimePoint{}).count());
    }
};

TEST(FramePacer, SpacesFramesByTheRateAcrossCalls) {
    const struct {
        const char* name;
        int rate;
        milliseconds gapBeforeThird;
        milliseconds oversleep;
        std::vector<long long> sent;
    } cases[] = {
        {"gentle rate", 20, milliseconds(0), milliseconds(0), {0, 50, 100, 150}},
        {"a pause longer than the spacing costs no wait",
         20,
         milliseconds(500),
         milliseconds(0),
         {0, 50, 550, 600}},
        {"a late wake-up does not let the next frame catch up",
         20,
         milliseconds(0),
         milliseconds(7),
         {0, 57, 114, 171}},
        {"a rate below one counts as one frame a second",
         0,
         milliseconds(0),
         milliseconds(0),
         {0, 1000, 2000, 3000}},
        {"1000 frames a second", 1000, milliseconds(0), milliseconds(0), {0, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PretendTime time;
        time.oversleep = c.oversleep;
        FramePacer pacer = time.Pacer();
        time.Send(pacer, c.rate);
        time.Send(pacer, c.rate);
        time.now += c.gapBeforeThird;
        time.Send(pacer, c.rate);
        time.Send(pacer, c.rate);
        EXPECT_EQ(time.sent, c.sent);
    }
}

// Whatever the rates asked, no one-second window holds more frames than the rate allows.
TEST(FramePacer, NoSecondHoldsMoreFramesThanTheRate) {
    PretendTime time;
    FramePacer pacer = time.Pacer();
    for (int i = 0; i < 100; ++i) {
        time.Send(pacer, 30);
        if (i % 17 == 0) {
            time.now += milliseconds(13);  // the waits between rounds
        }
    }
    for (std::size_t first = 0; first < time.sent.size(); ++first) {
        std::size_t inWindow = 0;
        for (std::size_t i = first; i < time.sent.size() && time.sent[i] < time.sent[first] + 1000;
             ++i) {
            ++inWindow;
        }
        EXPECT_LE(inWindow, 30u) << "window from " << time.sent[first] << " ms";
    }
}

}  // namespace
}  // namespace halvera
