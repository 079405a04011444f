#pragma once

#include <future>
#include <span>
#include <unordered_set>
#include <utility>
#include <vector>

#include "net/network_names.h"
#include "net/run_names.h"
#include "net/search_run_context.h"

namespace halvera {

// The name walks of one run: each asks only answering addresses that lie in the search
// ranges, each address once a run, one walk at a time on a thread of its own. Every call
// comes from the run's thread.
class RunNameQueries : public RunNames {
  public:
    RunNameQueries(NameWalk walk, std::span<const NameQueryRange> ranges, Ipv4 ownIp, Ipv4 mask);
    ~RunNameQueries() override;
    RunNameQueries(const RunNameQueries&) = delete;
    RunNameQueries& operator=(const RunNameQueries&) = delete;

    void Query(std::span<const Ipv4> answered) override;
    void Await(Ipv4 address, bool answered) override;
    // Waits for the walk that is running, if any.
    void Wait();

  private:
    // The addresses not yet asked that lie in the ranges, as one-address ranges; marks them
    // asked.
    std::vector<NameQueryRange> TakeUnasked(std::span<const Ipv4> addresses);
    bool InRanges(Ipv4 ip) const;

    NameWalk m_walk;
    Ipv4 m_ownIp;
    Ipv4 m_mask;
    std::vector<HostSpan> m_spans;  // merged
    std::unordered_set<Ipv4> m_asked;
    std::future<void> m_running;
};

}  // namespace halvera
