#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/text_codec.h"
#include "lists/list_table.h"
#include "lists/list_tables.h"
#include "lists/summary_banner.h"
#include "net/run_flags.h"
#include "net/search_run_context.h"
#include "store/node_store.h"
#include "store/range_store.h"
#include "store/settings_store.h"
#include "support/busy_flag_rule.h"
#include "support/fake_packet_driver.h"
#include "support/recording_error_log.h"
#include "support/scripted_run_steps.h"
#include "support/temp_program_folder.h"

namespace halvera::test {

// The search runs' world in a fresh program folder: real node store and search ranges, a
// scripted packet driver with one adapter, scripted per-address steps, and recorders for the
// prompts, the summary texts and the name walks. Prompts, summary texts and driver releases
// are also marked in the steps' call order, so a test can read the whole sequence of a run.
class SearchRunHarness {
  public:
    struct NameWalkCall {
        std::vector<NameQueryRange> ranges;
        Ipv4 ownIp = 0;
        Ipv4 mask = 0;
    };

    // The own host: 192.168.1.7/24 on the only adapter.
    static constexpr const char* OWN_IP = "192.168.1.7";
    static constexpr const char* MASK = "255.255.255.0";

    SearchRunHarness() {
        driver.adapters = std::vector<CaptureAdapter>{
            {"eth0", "", InetAddr(OWN_IP), InetAddr(MASK), {0x02, 0, 0, 0, 0, 7}}};
        nodes.InitNodeStore();
        searchRanges.InitSearchRanges();
        AppSettings app;
        app.WINS = 0;
        settings.SetApp(app);
        // The summary the banner builds again when a run sets no text is marked "summary".
        banner.Subscribe([this](std::string_view text) {
            const std::string shown = Cp932ToUtf8Lossy(text);
            steps.Mark(shown.starts_with("【ポーリングステータス】") ? "summary"
                                                                     : "summary " + shown);
        });
    }

    SearchRunContext Context() {
        return {settings,
                nodes,
                searchRanges,
                driver,
                errorLog,
                prompt,
                banner,
                steps,
                local,
                [this](std::span<const NameQueryRange> ranges, Ipv4 ownIp, Ipv4 mask) {
                    std::lock_guard lock(m_mutex);
                    m_nameWalks.push_back({{ranges.begin(), ranges.end()}, ownIp, mask});
                    steps.Mark("names");
                }};
    }

    template <class Change>
    void ChangeApp(Change change) {
        AppSettings app = settings.App();
        change(app);
        settings.SetApp(app);
    }

    void AddRange(const char* start, const char* end) {
        searchRanges.AppendRange(InetAddr(start), InetAddr(end));
    }

    // Stores a node as seen before (status) with its monitor flag.
    void StoreNode(const char* ip, std::int8_t status, std::uint32_t monitor) {
        NodeRecord record;
        record.ip = InetAddr(ip);
        record.status = status;
        record.monitor = monitor;
        record.label = ip;
        nodes.PutNode(record);
    }

    std::vector<NameWalkCall> NameWalks() const {
        std::lock_guard lock(m_mutex);
        return m_nameWalks;
    }

    // Prompts as UTF-8, marked in the steps' call order with the state of runActive at that
    // moment, and every release of the driver.
    class MarkingPrompt : public Prompt {
      public:
        explicit MarkingPrompt(SearchRunHarness& harness) : m_harness(harness) {}
        PromptResult ShowMessage(std::string_view text, PromptIcon icon, PromptButtons) override {
            ExpectNoBusyFlagHeld(text);
            m_harness.steps.Mark(std::string(icon == PromptIcon::Stop ? "stop " : "info ") +
                                 Cp932ToUtf8Lossy(text) +
                                 (m_harness.runActive() ? " (active)" : ""));
            return PROMPT_OK;
        }

      private:
        SearchRunHarness& m_harness;
    };
    class MarkingDriver : public FakePacketDriver {
      public:
        explicit MarkingDriver(ScriptedRunSteps& steps) : m_steps(steps) {}
        void Release() override { m_steps.Mark("release"); }

      private:
        ScriptedRunSteps& m_steps;
    };

    TempProgramFolder folder;
    ScriptedRunSteps steps;
    RunFlags flags;
    // What the prompt reports as the run's state: the harness's flags unless a test owns
    // other ones.
    std::function<bool()> runActive = [this] { return flags.runActive.load() != 0; };
    MarkingPrompt prompt{*this};
    RecordingErrorLog errorLog;
    SettingsStore settings;
    NodeStore nodes{prompt, errorLog};
    RangeStore searchRanges{RangeList::Search, prompt, errorLog};
    MarkingDriver driver{steps};
    // The node list that the banner sums up and the selected-node command reads.
    NodeTable nodeList;
    SummaryBanner banner{nodeList, [] { return PollingState{}; }};
    LocalAdapterState local;

  private:
    mutable std::mutex m_mutex;
    std::vector<NameWalkCall> m_nameWalks;
};

}  // namespace halvera::test
