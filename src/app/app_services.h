#pragma once

#include <functional>
#include <vector>

#include "lists/list_loader.h"
#include "lists/list_tables.h"
#include "lists/log_row_deleter.h"
#include "lists/prompt.h"
#include "lists/summary_banner.h"
#include "net/host_resolver.h"
#include "net/local_adapter_info.h"
#include "net/search_runner.h"
#include "store/node_list_file.h"
#include "store/settings_store.h"

namespace halvera {

// What the windows of the program work with: the shared core objects, and the engine and
// the stores behind the commands. A missing engine or store (nullptr, empty) leaves its
// commands showing that they are not available yet.
struct AppServices {
    AppServices(SettingsStore& settingsStore, ListTables& listTables, SummaryBanner& summary,
                Prompt& userPrompt)
        : settings(settingsStore), tables(listTables), banner(summary), prompt(userPrompt) {}

    SettingsStore& settings;
    ListTables& tables;
    SummaryBanner& banner;
    Prompt& prompt;

    // The search runs and the polling countdowns.
    SearchRunner* runs = nullptr;
    // Name resolution and the own subnet for the node search dialog.
    HostResolver* resolver = nullptr;
    std::function<LocalAdapterInfo()> localAdapter;
    // The node database behind New, Save and Delete.
    NodeListFile* nodeFile = nullptr;
    // The two log files behind deleting selected log rows.
    LogRowDeleter* eventLogDeleter = nullptr;
    LogRowDeleter* errorLogDeleter = nullptr;
    // Filled in this order while the splash shows: node list, event log, error log.
    std::vector<ListLoader*> loaders;
    // Whether each data file is busy; shutdown waits until none is.
    std::vector<std::function<bool()>> fileBusy;
    // Shutdown steps after the pane size has been recorded: save the settings, then close
    // the node database, the range list and the logs and end the popup program.
    std::function<void()> saveSettings;
    std::function<void()> closeStores;
    // Rebuilds the settings information list after a settings dialog changed something.
    std::function<void()> refreshSettingsSummary;
};

// True when no run is active and no data file is busy, so the program may end.
bool IsIdleForShutdown(const AppServices& services);

}  // namespace halvera
