#pragma once

#include <string>

#include "cli/cli_options.h"
#include "cli/console.h"
#include "cli/console_popup.h"
#include "cli/console_prompt.h"
#include "cli/list_writer.h"
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

    // The commands as the verb table runs them.
    int PrintNodes(const CliOptions& options);
    int PrintEvents(const CliOptions& options);
    int PrintErrors(const CliOptions& options);
    int PrintRanges(const CliOptions& options);
    int AddRange(const CliOptions& options);
    int ClearRanges(const CliOptions& options);
    int Search(const CliOptions& options);
    int Refresh(const CliOptions& options);
    int RefreshNode(const CliOptions& options);
    int Monitor(const CliOptions& options);
    int Export(const CliOptions& options);
    int PrintExportColumns(const CliOptions& options);
    int SetExportColumns(const CliOptions& options);
    int SetLabel(const CliOptions& options);
    int PrintColours(const CliOptions& options);
    int SetColour(const CliOptions& options);
    int SetColourScheme(const CliOptions& options);
    int PrintAdapters(const CliOptions& options);
    int PrintSettings(const CliOptions& options);
    int SetSettings(const CliOptions& options);
    int PrintMail(const CliOptions& options);
    int SetMail(const CliOptions& options);
    int SendTestMail(const CliOptions& options);
    int PrintOptions(const CliOptions& options);
    int SetOptions(const CliOptions& options);
    int RunEventCommand(const CliOptions& options);

  private:
    // Every line the error log gains is printed to standard error as it is written.
    void PrintErrorLogLines();
    // The writer of the listing in the form the options ask for.
    ListWriter Lists(const CliOptions& options);
    // Runs one search command to its end, its progress shown as it goes; a signal stops it.
    int RunToEnd(RunKind kind, Ipv4 ip = 0);
    // Waits for the current run to end, showing its progress: the first SIGINT or SIGTERM
    // asks it to stop, a second one ends halvera-cli at once.
    void WaitForRunEnd();
    void PrintSummary();
    std::string AdapterFailure();

    Console& m_console;
    TerminationSignals& m_signals;
    ConsolePrompt m_prompt;
    ConsolePopup m_popup;
    PosixDesktopActions m_desktop;
    MonitorEngine m_monitor;
    // halvera-cli goes through what the program's windows go through, nothing more.
    Engine& m_engine = m_monitor;
    SearchProgressReporter m_reporter;
    // --quiet: nothing but the events (and what goes to standard error).
    bool m_quiet = false;
    int m_errorLogPrinter = 0;
};

}  // namespace halvera
