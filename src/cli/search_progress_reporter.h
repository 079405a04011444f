#pragma once

#include <chrono>
#include <cstdint>

#include "cli/console.h"
#include "net/run_progress.h"

namespace halvera {

// How halvera-cli shows a search while it runs.
enum class ProgressForm {
    Terminal,  // one status line rewritten in place
    Lines,     // a pipe or the journal: one line as each tenth of the walk is done
    None,      // --quiet: nothing but the events
};

// Shows the progress of the runs, one after another, in its form. The run thread counts
// into the progress; the main thread calls Update while a run is active.
class SearchProgressReporter {
  public:
    SearchProgressReporter(Console& console, const RunProgress& progress, ProgressForm form);

    // Before the first run: --quiet shows nothing.
    void SetForm(ProgressForm form) { m_form = form; }

    // The run's own text while it prepares (CP932), before its walk has a total. Called on
    // the run thread.
    void ShowPreparing(std::string_view textCp932);
    // A run has started: its time counts from now.
    void Begin();
    // Shows where the run stands, as often as called (Lines: only when a new tenth is done).
    void Update();
    // The run has ended: its last tenth is shown, the status line taken away.
    void End();

  private:
    std::string Text() const;

    Console& m_console;
    const RunProgress& m_progress;
    ProgressForm m_form;
    std::chrono::steady_clock::time_point m_started;
    std::uint64_t m_tenthsShown = 0;
};

}  // namespace halvera
