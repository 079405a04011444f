#include "capture/frame_pacer.h"

#include <gtest/gtest.h>

#include <vector>

namespace halvera {
namespace {

using std::chrono::milliseconds;
using TimePoint = FramePacer::TimePoint;

// A clock that only moves when the pacer sleeps, a send takes time or the test lets time
// pass; a sleep may wake up late by `oversleep`.
struct PretendTime {
    TimePoint now{};
    milliseconds oversleep{0};
    // ms since the start: when each frame's send began and when it returned
    std::vector<long long> sent;
    std::vector<long long> left;

    FramePacer Pacer() {
        return FramePacer([this] { return now; },
                          [this](TimePoint until) { now = std::max(now, until) + oversleep; });
    }
    void Send(FramePacer& pacer, int rate, milliseconds takes = milliseconds(0)) {
        EXPECT_TRUE(pacer.Send(rate, [&] {
            sent.push_back(Ms());
            now += takes;
            return true;
        }));
        left.push_back(Ms());
    }
    long long Ms() const {
        return std::chrono::duration_cast<milliseconds>(now - TimePoint{}).count();
    }
};

TEST(FramePacer, KeepsFramesToTheRatesScheduleAcrossCalls) {
    const struct {
        const char* name;
        int rate;
        milliseconds oversleep;
        milliseconds firstSendTakes;
        milliseconds gapBeforeThird;
        std::vector<long long> sent;
    } cases[] = {
        {"gentle rate", 20, milliseconds(0), milliseconds(0), milliseconds(0), {0, 50, 100, 150}},
        {"a pause longer than the spacing costs no wait and earns no burst",
         20,
         milliseconds(0),
         milliseconds(0),
         milliseconds(500),
         {0, 50, 550, 600}},
        {"a late wake-up does not push the schedule back",
         20,
         milliseconds(7),
         milliseconds(0),
         milliseconds(0),
         {0, 57, 107, 157}},
        {"a wake-up later than a whole slot starts the schedule afresh",
         20,
         milliseconds(60),
         milliseconds(0),
         milliseconds(0),
         {0, 110, 110, 220}},
        {"a slow send holds back the frame a rate of frames later",
         2,
         milliseconds(0),
         milliseconds(300),
         milliseconds(0),
         {0, 500, 1300, 1800}},
        {"a rate below one counts as one frame a second",
         0,
         milliseconds(0),
         milliseconds(0),
         milliseconds(0),
         {0, 1000, 2000, 3000}},
        {"1000 frames a second",
         1000,
         milliseconds(0),
         milliseconds(0),
         milliseconds(0),
         {0, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PretendTime time;
        time.oversleep = c.oversleep;
        FramePacer pacer = time.Pacer();
        time.Send(pacer, c.rate, c.firstSendTakes);
        time.Send(pacer, c.rate);
        time.now += c.gapBeforeThird;
        time.Send(pacer, c.rate);
        time.Send(pacer, c.rate);
        EXPECT_EQ(time.sent, c.sent);
    }
}

TEST(FramePacer, HandsBackWhatTheSendGave) {
    PretendTime time;
    FramePacer pacer = time.Pacer();
    EXPECT_FALSE(pacer.Send(1000, [] { return false; }));
    EXPECT_TRUE(pacer.Send(1000, [] { return true; }));
}

// Whatever the wake-ups, sends and pauses do, no one-second window holds more frames than the
// rate, wherever between the start and the end of its send a frame hit the wire.
TEST(FramePacer, NoSecondHoldsMoreFramesThanTheRate) {
    constexpr int RATE = 30;
    const struct {
        const char* name;
        milliseconds oversleep;
        milliseconds sendTakes;
    } cases[] = {
        {"punctual", milliseconds(0), milliseconds(0)},
        {"late wake-ups", milliseconds(7), milliseconds(0)},
        {"wake-ups later than a slot", milliseconds(45), milliseconds(0)},
        {"slow sends", milliseconds(0), milliseconds(20)},
        {"late wake-ups and slow sends", milliseconds(7), milliseconds(9)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PretendTime time;
        time.oversleep = c.oversleep;
        FramePacer pacer = time.Pacer();
        for (int i = 0; i < 200; ++i) {
            time.Send(pacer, RATE, i % 3 == 0 ? c.sendTakes : milliseconds(0));
            if (i % 17 == 0) {
                time.now += milliseconds(13);  // the waits between rounds
            }
        }
        // Frame i + RATE may only begin a second after frame i has left.
        for (std::size_t i = 0; i + RATE < time.sent.size(); ++i) {
            EXPECT_GE(time.sent[i + RATE] - time.left[i], 1000) << "frame " << i;
        }
    }
}

}  // namespace
}  // namespace halvera
