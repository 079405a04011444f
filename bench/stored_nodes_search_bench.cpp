// Wall time of the node update over a large stored list: a list refresh and a range search of
// 10,000 stored nodes (half of them answering, the other half gone) through the whole engine on a
// pretend segment, so that the figure is the per-node work (row look-ups, store, events) and not
// the wire. Probe windows are the shortest the settings allow. Prints the wall time and the
// process's CPU time of each run (the CPU time is the steadier figure on a shared machine).

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

#include "base/ip_address.h"
#include "monitor/monitor_engine.h"
#include "support/recording_desktop_actions.h"
#include "support/recording_popup.h"
#include "support/recording_prompt.h"
#include "support/simulated_segment.h"
#include "support/temp_program_folder.h"

namespace {

using namespace halvera;

constexpr int NODES = 10000;

Ipv4 NodeIp(int i) {
    return MakeIp(10, 1, static_cast<std::uint8_t>((i + 1) >> 8),
                  static_cast<std::uint8_t>((i + 1) & 0xFF));
}

MacAddress NodeMac(int i) {
    return {0x02, 0, 0, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
}

class Bench {
  public:
    Bench() {
        MonitorEngineOptions options;
        options.registryPath = m_folder.Path() / "datareg.reg";
        auto segment = std::make_unique<test::SimulatedSegment>();
        std::vector<test::SimulatedSegment::Host> hosts;
        for (int i = 0; i < NODES; i += 2) {
            hosts.push_back({NodeIp(i), NodeMac(i), 0});
        }
        segment->SetHosts(std::move(hosts));
        options.driver = std::move(segment);
        m_engine = std::make_unique<MonitorEngine>(MonitorPorts{m_prompt, m_popup, m_desktop},
                                                   std::move(options));
        m_engine->Open();
        AppSettings app = m_engine->Settings().App();
        app.TIMEOUT = 1;
        app.RETRY = 0;
        app.WINS = 0;
        m_engine->Settings().SetApp(app);
        for (int i = 0; i < NODES; ++i) {
            NodeRecord record;
            record.ip = NodeIp(i);
            record.mac = NodeMac(i);
            record.status = NODE_UP;
            record.monitor = 1;
            record.label = FormatIp(record.ip);
            record.detected = "2024/01/01 00:00:00";
            record.updated = "2024/01/01 00:00:00";
            m_engine->Nodes().PutNode(record);
        }
        m_engine->SearchRanges().AppendRange(NodeIp(0), NodeIp(NODES - 1));
        m_engine->LoadLists(StartupLists::NodeList, nullptr);
        m_engine->PrepareRuns();
    }

    // Wall and CPU seconds of one run started by `start`.
    template <class Start>
    std::pair<double, double> Time(Start start) {
        const auto begin = std::chrono::steady_clock::now();
        const std::clock_t cpu = std::clock();
        start(m_engine->Runs());
        m_engine->Runs().WaitForRun();
        return {std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(),
                static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC};
    }

    // What the run left: the node list's counts and the event log's lines.
    std::pair<NodeCounts, int> Outcome() {
        return {m_engine->Tables().nodeList.Counts(), m_engine->CountLogEntries(LogKind::Event)};
    }

  private:
    test::TempProgramFolder m_folder;
    test::RecordingPrompt m_prompt;
    test::RecordingPopup m_popup;
    test::RecordingDesktopActions m_desktop;
    std::unique_ptr<MonitorEngine> m_engine;
};

template <class Start>
void Report(const char* what, Bench& bench, Start start) {
    const auto [wall, cpu] = bench.Time(start);
    const auto [counts, events] = bench.Outcome();
    std::printf("%-40s %8.2f s wall %8.2f s CPU  (%d up, %d down, %d events logged)\n", what, wall,
                cpu, counts.up, counts.down, events);
    std::fflush(stdout);
}

}  // namespace

int main() {
    Bench bench;
    // The refresh takes half the nodes down; the range search then finds them as they are.
    Report("list refresh, 10,000 stored nodes", bench,
           [](SearchRuns& runs) { runs.StartManualRun(SearchRuns::RunKind::ListRefresh); });
    Report("range search, 10,000 stored nodes", bench,
           [](SearchRuns& runs) { runs.StartManualRun(SearchRuns::RunKind::RangeSearch); });
    return 0;
}
