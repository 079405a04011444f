#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "app/app_services.h"
#include "lists/list_tables.h"
#include "lists/summary_banner.h"
#include "net/search_runner.h"
#include "store/node_list_file.h"
#include "store/settings_store.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera::test {

// A search engine that only records what the frame asks of it.
class FakeSearchRunner : public SearchRunner {
  public:
    bool IsRunActive() const override { return active.load(); }
    void StartRangeSearch() override { ++rangeSearches; }
    void StartListRefresh() override { ++listRefreshes; }
    void StartNodeRefresh(Ipv4 ip) override {
        std::lock_guard lock(m_mutex);
        nodeRefreshes.push_back(ip);
    }
    std::string Tick() override {
        ++ticks;
        return tickLine;
    }
    void SetStatusCountdown(int seconds) override { statusCountdown = seconds; }

    std::atomic<bool> active{false};
    std::atomic<int> rangeSearches{0};
    std::atomic<int> listRefreshes{0};
    std::atomic<int> ticks{0};
    std::atomic<int> statusCountdown{-1};
    std::vector<Ipv4> nodeRefreshes;
    std::string tickLine;

  private:
    std::mutex m_mutex;
};

// The node database behind New, Save and Delete, recording each call in order.
class FakeNodeListFile : public NodeListFile {
  public:
    void RecreateEmpty() override { calls.push_back("recreate"); }
    void SaveMonitorFlags(const ListTable&) override { calls.push_back("save"); }
    void DeleteNode(Ipv4 ip) override { calls.push_back("delete " + FormatIp(ip)); }

    std::vector<std::string> calls;
};

// The core objects a main frame works with, over a fresh program folder.
struct FrameFixture {
    FrameFixture() { services.runs = &runs; }

    TempProgramFolder folder;
    SettingsStore settings;
    ListTables tables;
    SummaryBanner banner{tables.nodeList, [] { return PollingState{true, true}; }};
    RecordingPrompt prompt;
    FakeSearchRunner runs;
    AppServices services{settings, tables, banner, prompt};
};

// A node list row as the runs and the start-up load write it.
inline ListRow NodeRow(const std::string& ip, const std::string& mark, bool monitored,
                       const std::string& label = "") {
    ListRow row;
    row.cells.resize(NODE_LIST_COLUMNS);
    row.cells[NODE_COL_IP] = ip;
    row.cells[NODE_COL_ST] = mark;
    row.cells[NODE_COL_LABEL] = label.empty() ? ip : label;
    row.checked = monitored;
    return row;
}

}  // namespace halvera::test
