#include "net/run_name_queries.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace halvera {
namespace {

using namespace std::chrono_literals;

// The walks asked for, each as its addresses.
struct WalkRecorder {
    std::vector<std::vector<std::string>> walks;
    std::mutex mutex;

    NameWalk Walk() {
        return [this](std::span<const NameQueryRange> ranges, Ipv4, Ipv4) {
            std::vector<std::string> addresses;
            for (const NameQueryRange& range : ranges) {
                EXPECT_EQ(range.start, range.end);
                addresses.push_back(FormatIp(range.start));
            }
            std::lock_guard lock(mutex);
            walks.push_back(addresses);
        };
    }
};

std::vector<Ipv4> Addresses(std::initializer_list<const char*> texts) {
    std::vector<Ipv4> addresses;
    for (const char* text : texts) {
        addresses.push_back(InetAddr(text));
    }
    return addresses;
}

TEST(RunNameQueries, AsksEachAnsweringAddressOfTheRangesOnce) {
    WalkRecorder recorder;
    const NameQueryRange ranges[] = {{InetAddr("10.0.0.1"), InetAddr("10.0.0.9")},
                                     {InetAddr("10.0.0.20"), InetAddr("10.0.0.20")}};
    RunNameQueries names(recorder.Walk(), ranges, InetAddr("10.0.0.7"), InetAddr("255.255.255.0"));

    // A block: only the answering addresses inside the ranges are asked.
    names.Query(Addresses({"10.0.0.5", "10.0.0.15", "10.0.0.20", "10.0.0.6"}));
    // The next block repeats an address: asked once a run.
    names.Query(Addresses({"10.0.0.6", "10.0.0.9"}));
    names.Query(Addresses({"10.0.0.6"}));
    // Probed on their own: one that answered and was never asked is asked now; a silent
    // one, one asked before and one outside the ranges are not.
    names.Await(InetAddr("10.0.0.2"), true);
    names.Await(InetAddr("10.0.0.3"), false);
    names.Await(InetAddr("10.0.0.2"), true);
    names.Await(InetAddr("10.0.0.21"), true);
    names.Wait();

    EXPECT_EQ(recorder.walks,
              (std::vector<std::vector<std::string>>{
                  {"10.0.0.5", "10.0.0.20", "10.0.0.6"}, {"10.0.0.9"}, {"10.0.0.2"}}));
}

TEST(RunNameQueries, ReadingTheNameBookWaitsForTheWalkAsking) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> started;
    const NameQueryRange ranges[] = {{InetAddr("10.0.0.1"), InetAddr("10.0.0.9")}};
    RunNameQueries names(
        [&](std::span<const NameQueryRange>, Ipv4, Ipv4) { started.set_value(), released.wait(); },
        ranges, InetAddr("10.0.0.7"), InetAddr("255.255.255.0"));
    names.Query(Addresses({"10.0.0.5"}));
    started.get_future().wait();

    auto awaited =
        std::async(std::launch::async, [&] { names.Await(InetAddr("10.0.0.4"), false); });
    EXPECT_EQ(awaited.wait_for(100ms), std::future_status::timeout) << "the walk still runs";
    release.set_value();
    EXPECT_EQ(awaited.wait_for(5s), std::future_status::ready);
}

}  // namespace
}  // namespace halvera
