#pragma once

#include <string>

#include "cli/cli_options.h"
#include "cli/console.h"
#include "cli/console_popup.h"
#include "cli/console_prompt.h"
#include "cli/search_progress_reporter.h"
#include "cli/termination_signals.h"
#include "events/posix_desktop_actions.h"
#include "monitor/monitor_engine.h"

namespace halvera {

// One run of halvera-cli on the data folder: the engine opened and its node list loaded
// as the program's start-up does it, one command, and the engine closed again. What the engine
// shows (search progress, event list rows, error log lines, popups, messages) is printed as it
// happens. The caller holds the folder's instance lock.
class CliSession {
  public:
    CliSession(Console& console, TerminationSignals& signals);
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Runs the command; the exit status: 0 done, 1 failed, 2 a value refused by the checks of
    // the program's dialogs (each with a message).
    int Run(const CliOptions& options);

  private:
    // Every line the error log gains is printed to standard error as it is written.
    void PrintErrorLogLines();
    int PrintNodes();
    int PrintEvents();
    int PrintRanges();
    int AddRange(Ipv4 start, Ipv4 end);
    int ClearRanges();
    int RefreshNode(const std::string& text);
    int SetLabel(Ipv4 address, const std::string& utf8);
    int PrintColours();
    int PrintAdapters();
    // Settings as KEY and VALUE rows under their header.
    int PrintKeyValues(const std::vector<std::pair<std::string, std::string>>& rows);
    int PrintSettings();
    int SetSettings(const std::vector<std::pair<std::string, std::string>>& settings);
    int PrintMail();
    int SetMail(const std::vector<std::pair<std::string, std::string>>& fields);
    int SendTestMail();
    int PrintOptions();
    int SetOptions(const std::vector<std::pair<std::string, std::string>>& options);
    // Runs one search command to its end, its progress shown as it goes; a signal stops it.
    int RunToEnd(SearchRuns::RunKind kind, Ipv4 ip = 0);
    int Monitor();
    // Waits for the current run to end, showing its progress: the first SIGINT or SIGTERM
    // asks it to stop, a second one ends halvera-cli at once.
    void WaitForRunEnd();
    int Export(const CliOptions& options);
    int PrintExportColumns();
    int SetExportColumns(std::int32_t printMask);
    void PrintSummary();
    std::string AdapterFailure();

    Console& m_console;
    TerminationSignals& m_signals;
    ConsolePrompt m_prompt;
    ConsolePopup m_popup;
    PosixDesktopActions m_desktop;
    MonitorEngine m_engine;
    SearchProgressReporter m_reporter;
    // --quiet: nothing but the events (and what goes to standard error).
    bool m_quiet = false;
    int m_errorLogPrinter = 0;
};

}  // namespace halvera
