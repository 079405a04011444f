#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "net/search_run_steps.h"

namespace halvera::test {

// The per-address step of a search run, scripted: every call is recorded in order, probes
// answer from a table (absent by default), and a probe may be held until the test lets it go.
class ScriptedRunSteps : public SearchRunSteps {
  public:
    struct Probe {
        Ipv4 ip = 0;
        int attempts = 0;
        NodeRecord record;  // as the run handed it over
        LocalAdapterInfo local;
    };
    // Runs in place of the scripted result when set; its result is the probe's.
    using ProbeHook = std::function<ProbeResult(Ipv4 ip, NodeRecord& record)>;

    std::map<Ipv4, ProbeResult> results;  // probe result per address; Absent when not listed
    std::map<Ipv4, int> checked;          // IsNodeChecked per address; 0 when not listed
    ProbeHook onProbe;

    void BeginRun(const std::atomic<int>* stop) override {
        m_stop = stop;
        Mark("begin");
    }
    // The stop request of the current run, as the steps' probe windows read it.
    bool StopRequested() const { return m_stop != nullptr && m_stop->load() != 0; }
    void EndRun() override { Mark("end"); }
    ProbeResult ProbeAndUpdate(const LocalAdapterInfo& local, Ipv4 ip, int attempts,
                               NodeRecord& record) override {
        {
            std::unique_lock lock(m_mutex);
            m_probes.push_back({ip, attempts, record, local});
            m_waiting.erase({ip, attempts});
            m_calls.push_back("probe " + FormatIp(ip));
            ++m_probesStarted;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_held == 0 || m_probesStarted <= m_released; });
        }
        const ProbeResult result = onProbe ? onProbe(ip, record) : ScriptedResult(ip);
        // As the steps do before they read the name book for the address.
        if (RunNames* names = Names()) {
            names->Await(ip, result == ProbeResult::Present);
        }
        return result;
    }
    void ProbeBlock(const LocalAdapterInfo&, std::span<const SweepTarget> targets) override {
        std::vector<Ipv4> answered;
        {
            std::lock_guard lock(m_mutex);
            m_blocks.emplace_back(targets.begin(), targets.end());
            for (const SweepTarget& target : targets) {
                m_waiting.insert({target.ip, target.attempts});
                if (ScriptedResult(target.ip) == ProbeResult::Present) {
                    answered.push_back(target.ip);
                }
            }
        }
        if (RunNames* names = Names()) {
            names->Query(answered);
        }
    }
    void SetNames(RunNames* names) override {
        std::lock_guard lock(m_mutex);
        m_names = names;
    }
    bool HasOutcome(Ipv4 ip, int attempts) override {
        std::lock_guard lock(m_mutex);
        return m_waiting.contains({ip, attempts});
    }
    int IsNodeChecked(Ipv4 ip) override {
        auto found = checked.find(ip);
        return found == checked.end() ? 0 : found->second;
    }
    void FlushPendingMail() override {
        std::lock_guard lock(m_mutex);
        m_calls.push_back("flush");
    }

    // From now on each probe waits until Release lets it go.
    void HoldProbes() {
        std::lock_guard lock(m_mutex);
        m_held = 1;
        m_released = m_probesStarted;
    }
    void ReleaseProbe() {
        std::lock_guard lock(m_mutex);
        ++m_released;
        m_changed.notify_all();
    }
    void ReleaseAll() {
        std::lock_guard lock(m_mutex);
        m_held = 0;
        m_changed.notify_all();
    }
    // Waits until `count` probes have started.
    void WaitForProbes(int count) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_probesStarted >= count; });
    }

    std::vector<Probe> Probes() const {
        std::lock_guard lock(m_mutex);
        return m_probes;
    }
    // The targets of every ProbeBlock, one block an element.
    std::vector<std::vector<SweepTarget>> Blocks() const {
        std::lock_guard lock(m_mutex);
        return m_blocks;
    }
    std::vector<Ipv4> ProbedAddresses() const {
        std::vector<Ipv4> addresses;
        for (const auto& probe : Probes()) {
            addresses.push_back(probe.ip);
        }
        return addresses;
    }
    // "begin", "probe a.b.c.d", "flush", "end" in call order.
    std::vector<std::string> Calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    // Lets the test add its own marks to the call order (prompts, summary texts).
    void Mark(const std::string& what) {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(what);
    }

  private:
    const std::atomic<int>* m_stop = nullptr;
    ProbeResult ScriptedResult(Ipv4 ip) const {
        auto found = results.find(ip);
        return found == results.end() ? ProbeResult::Absent : found->second;
    }
    RunNames* Names() {
        std::lock_guard lock(m_mutex);
        return m_names;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Probe> m_probes;
    std::vector<std::string> m_calls;
    std::vector<std::vector<SweepTarget>> m_blocks;
    std::set<std::pair<Ipv4, int>> m_waiting;
    RunNames* m_names = nullptr;
    int m_probesStarted = 0;
    int m_held = 0;
    int m_released = 0;
};

}  // namespace halvera::test
