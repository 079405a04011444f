#include "base/clock.h"

#include <gtest/gtest.h>

#include "support/fixed_clock.h"

namespace halvera {
namespace {

TEST(Clock, DateTextsPadEveryFieldButTheYear) {
    struct Case {
        int y, mo, d, h, mi, s;
        const char* dateTime;
        const char* date;
        const char* time;
    };
    const Case cases[] = {
        {2005, 6, 1, 10, 20, 30, "2005/06/01 10:20:30", "2005/06/01", "10:20:30"},
        {2026, 12, 31, 0, 0, 9, "2026/12/31 00:00:09", "2026/12/31", "00:00:09"},
        {999, 1, 2, 3, 4, 5, "999/01/02 03:04:05", "999/01/02", "03:04:05"},
    };
    for (const auto& c : cases) {
        test::FixedClock clock(c.y, c.mo, c.d, c.h, c.mi, c.s);
        test::ScopedClock scoped(clock);
        std::tm now = CurrentClock().LocalNow();
        EXPECT_EQ(FormatDateTime(now), c.dateTime);
        EXPECT_EQ(FormatDate(now), c.date);
        EXPECT_EQ(FormatTime(now), c.time);
    }
}

}  // namespace
}  // namespace halvera
