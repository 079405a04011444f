#pragma once

#include <memory>

#include "base/user_registry.h"
#include "cli/cli_options.h"
#include "cli/console.h"
#include "cli/console_prompt.h"
#include "cli/termination_signals.h"
#include "lists/list_table.h"
#include "store/log_store.h"
#include "store/node_store.h"
#include "store/range_store.h"
#include "store/settings_store.h"

namespace halvera {

// One run of halvera-cli on the program folder: the stores opened as the program's start-up
// opens them, the node list loaded from the node store, one command, and the stores closed
// again. The caller holds the folder's instance lock.
class CliSession {
  public:
    CliSession(Console& console, TerminationSignals& signals);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Runs the command; the exit status: 0 done, 1 failed (with a message).
    int Run(const CliOptions& options);

  private:
    bool Open();
    void Close();
    int PrintNodes();
    int PrintEvents();
    int PrintRanges();
    int AddRange(Ipv4 start, Ipv4 end);
    int ClearRanges();

    Console& m_console;
    TerminationSignals& m_signals;
    ConsolePrompt m_prompt;
    SettingsStore m_settings;
    UserRegistry m_registry;
    ListTable m_nodeList;
    ListTable m_eventLogList;
    ListTable m_errorLogList;
    LogStore m_logs;
    NodeStore m_nodes;
    RangeStore m_searchRanges;
};

}  // namespace halvera
