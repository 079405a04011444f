#include "base/busy_flag.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace halvera {
namespace {

TEST(BusyFlag, GuardReleasesOnEveryWayOut) {
    BusyFlag flag;
    EXPECT_FALSE(flag.IsBusy());
    try {
        BusyGuard guard(flag);
        EXPECT_TRUE(flag.IsBusy());
        EXPECT_FALSE(flag.TryAcquire());
        throw 1;
    } catch (int) {
    }
    EXPECT_FALSE(flag.IsBusy());
}

TEST(BusyFlag, OnlyOneHolderAtATime) {
    BusyFlag flag;
    int inside = 0;
    int maxInside = 0;
    long total = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i) {
                BusyGuard guard(flag);
                ++inside;
                maxInside = std::max(maxInside, inside);
                ++total;
                --inside;
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(maxInside, 1);
    EXPECT_EQ(total, 80);
}

TEST(BusyFlag, EachThreadKnowsWhetherItHoldsAFlag) {
    BusyFlag first;
    BusyFlag second;
    EXPECT_FALSE(BusyFlag::HeldByThisThread());
    {
        BusyGuard outer(first);
        {
            BusyGuard inner(second);
            EXPECT_TRUE(BusyFlag::HeldByThisThread());
        }
        EXPECT_TRUE(BusyFlag::HeldByThisThread());
        // A failed take holds nothing more, and another thread holds nothing at all.
        EXPECT_FALSE(first.TryAcquire());
        bool otherHolds = true;
        std::thread([&] { otherHolds = BusyFlag::HeldByThisThread(); }).join();
        EXPECT_FALSE(otherHolds);
    }
    EXPECT_FALSE(BusyFlag::HeldByThisThread());
}

}  // namespace
}  // namespace halvera
