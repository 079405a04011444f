#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/app_services.h"
#include "lists/list_tables.h"
#include "lists/summary_banner.h"
#include "monitor/monitor_engine.h"
#include "monitor/search_runner.h"
#include "store/settings_store.h"
#include "support/fake_packet_driver.h"
#include "support/recording_desktop_actions.h"
#include "support/recording_popup.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera::test {

// A search engine that only records what the frame asks of it.
class FakeSearchRunner : public SearchRunner {
  public:
    bool IsRunActive() const override { return active.load(); }
    void StopForClose() override { ++stopRequests; }
    bool StartManualRun(RunKind kind, Ipv4 ip) override {
        switch (kind) {
            case RunKind::RangeSearch:
                ++rangeSearches;
                break;
            case RunKind::ListRefresh:
                ++listRefreshes;
                break;
            case RunKind::NodeRefresh: {
                std::lock_guard lock(m_mutex);
                nodeRefreshes.push_back(ip);
                break;
            }
        }
        return true;
    }
    bool RefreshSelectedNode(int selectedRow) override {
        std::lock_guard lock(m_mutex);
        selectedRefreshes.push_back(selectedRow);
        return selectedRow >= 0;
    }
    std::string Tick() override {
        ++ticks;
        return tickLine;
    }
    std::string PollingStatus() const override { return tickLine; }
    RunOutcome LastOutcome() const override { return RunOutcome::Completed; }
    const RunProgress& Progress() const override { return progress; }
    void RequestStop() override { ++stopRequests; }
    void WaitForRun() override {}

    std::atomic<bool> active{false};
    std::atomic<int> rangeSearches{0};
    std::atomic<int> listRefreshes{0};
    std::atomic<int> ticks{0};
    std::atomic<int> stopRequests{0};
    std::vector<Ipv4> nodeRefreshes;
    std::vector<int> selectedRefreshes;
    std::string tickLine;
    RunProgress progress;

  private:
    std::mutex m_mutex;
};

// The program's engine over a fresh program folder and a fake packet driver, with the search
// runs scripted and the shutdown steps observable.
class FrameEngine : public MonitorEngine {
  public:
    FrameEngine(MonitorPorts ports, MonitorEngineOptions options)
        : MonitorEngine(ports, std::move(options)) {}
    ~FrameEngine() override { MonitorEngine::Close(); }

    SearchRunner& Runner() override { return realRuns ? MonitorEngine::Runner() : runs; }
    HostResolver& Resolver() override {
        return resolver != nullptr ? *resolver : MonitorEngine::Resolver();
    }
    LocalAdapterInfo LocalAdapter() const override {
        return localAdapter.value_or(MonitorEngine::LocalAdapter());
    }
    void LoadLists(StartupLists lists, Progress* progress) override {
        if (beforeLoad) {
            beforeLoad();
        }
        MonitorEngine::LoadLists(lists, progress);
    }
    bool IsFileBusy() const override {
        return (fileBusy && fileBusy()) || MonitorEngine::IsFileBusy();
    }
    void SaveSettings() override {
        if (onSave) {
            onSave();
        }
        MonitorEngine::SaveSettings();
    }
    void Close() override {
        if (onClose) {
            onClose();
        }
        MonitorEngine::Close();
    }

    FakeSearchRunner runs;
    // The frame drives the engine's own search runs instead of the recorder.
    bool realRuns = false;
    HostResolver* resolver = nullptr;
    std::optional<LocalAdapterInfo> localAdapter;
    std::function<void()> beforeLoad;
    std::function<bool()> fileBusy;
    std::function<void()> onSave;
    std::function<void()> onClose;
};

inline MonitorEngineOptions FrameEngineOptions(const TempProgramFolder& folder) {
    MonitorEngineOptions options;
    options.registryPath = folder.Path() / "datareg.reg";
    options.driver = std::make_unique<FakePacketDriver>();
    return options;
}

// The engine and the services a main frame works with, opened on a fresh program folder,
// with both polls shown as enabled in the banner.
struct FrameFixture {
    FrameFixture() { engine.Open(); }

    TempProgramFolder folder;
    RecordingPrompt prompt;
    RecordingPopup popup;
    RecordingDesktopActions desktop;
    MonitorEngineOptions options = FrameEngineOptions(folder);
    // The engine's packet driver, for scripting its adapter list.
    FakePacketDriver& driver = static_cast<FakePacketDriver&>(*options.driver);
    FrameEngine engine{{prompt, popup, desktop}, std::move(options)};
    SettingsStore& settings = engine.Settings();
    ListTables& tables = engine.Tables();
    SummaryBanner& banner = engine.Banner();
    FakeSearchRunner& runs = engine.runs;
    AppServices services{engine, prompt};
};

// A node record as the runs store it: up, monitored, the address as its label.
inline NodeRecord StoredNode(const std::string& ip) {
    NodeRecord record;
    record.ip = InetAddr(ip);
    record.mac = {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(record.ip >> 24)};
    record.status = NODE_UP;
    record.monitor = 1;
    record.label = ip;
    return record;
}

// A node of the node list: its address, its mark ("." up, "x" sniffing, empty down), its
// monitored flag and its label (the address when none is given).
inline NodeEntry NodeRow(const std::string& ip, const std::string& mark, bool monitored,
                         const std::string& label = "") {
    NodeEntry node;
    node.ip = InetAddr(ip);
    node.mark = mark == "." ? NodeMark::Up : mark == "x" ? NodeMark::Sniffing : NodeMark::Down;
    node.label = label.empty() ? ip : label;
    node.monitored = monitored;
    return node;
}

}  // namespace halvera::test
