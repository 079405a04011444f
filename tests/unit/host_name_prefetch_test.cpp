#include "net/host_name_prefetch.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

namespace halvera {
namespace {

Ipv4 At(int last) {
    return MakeIp(10, 0, 0, last);
}

// Names every address "hostN" (confirmed by the forward look-up) but .9, and holds each
// reverse look-up until the test opens the gate, counting how many wait at once.
class GatedResolver : public HostResolver {
  public:
    std::optional<std::string> NameOfAddress(Ipv4 ip) override {
        std::unique_lock lock(m_mutex);
        ++m_waiting;
        m_most = std::max(m_most, m_waiting);
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open; });
        --m_waiting;
        ++m_calls;
        if (ip == At(9)) {
            return std::nullopt;
        }
        return "host" + std::to_string(HostOrder(ip) & 0xFF);
    }
    std::optional<HostEntry> AddressesOfName(const std::string& name) override {
        return HostEntry{{}, {At(std::stoi(name.substr(4)))}};
    }
    void WaitUntilWaiting(int count) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_waiting >= count; });
    }
    void Open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    int Most() {
        std::lock_guard lock(m_mutex);
        return m_most;
    }
    int Calls() {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
    int m_waiting = 0;
    int m_most = 0;
    int m_calls = 0;
};

TEST(HostNamePrefetch, LooksUpABoundedNumberAtOnceAndHandsEachNameOverOnce) {
    GatedResolver resolver;
    HostNamePrefetch prefetch(resolver, 3);
    std::vector<Ipv4> addresses;
    for (int last = 1; last <= 10; ++last) {
        addresses.push_back(At(last));
    }
    prefetch.Start(addresses);
    prefetch.Start({At(2)});  // queued once only
    // A resolver that does not answer holds three look-ups, not one, not ten.
    resolver.WaitUntilWaiting(3);
    resolver.Open();
    EXPECT_EQ(prefetch.Take(At(4)), "host4");
    EXPECT_EQ(prefetch.Take(At(9)), "");
    EXPECT_EQ(prefetch.Take(At(4)), std::nullopt);
    EXPECT_EQ(prefetch.Take(At(11)), std::nullopt);
    for (int last : {1, 2, 3, 5, 6, 7, 8, 10}) {
        EXPECT_EQ(prefetch.Take(At(last)), "host" + std::to_string(last));
    }
    EXPECT_EQ(resolver.Most(), 3);
    EXPECT_EQ(resolver.Calls(), 10);
}

}  // namespace
}  // namespace halvera
