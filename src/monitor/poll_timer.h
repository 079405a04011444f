#pragma once

#include <atomic>
#include <string>

#include "store/app_settings.h"

namespace halvera {

// The two polling countdowns driven by the one-second timer: node detection (a range
// search every NEWTIME seconds) and status (a list refresh every LOOKTIME seconds).
class PollTimer {
  public:
    enum Start { START_NONE, START_RANGE_SEARCH, START_LIST_REFRESH };

    struct TickResult {
        Start start = START_NONE;
        // The status-bar text (CP932); empty when a run is active and the tick stopped early.
        std::string statusText;
        // Whether STBAR asks for the text in the status bar.
        bool showStatus = false;
    };

    // Loads both countdowns from NEWTIME and LOOKTIME, as the main window does at creation.
    void Load(const AppSettings& settings);
    // At the end of start-up with BPOLING set: the first status poll about three seconds on.
    void ArmStartupPoll() { m_statusCountdown = 3; }

    // One tick. A disabled poll keeps its countdown; a countdown at 0 starts its run at the
    // first tick with no run active, the range search first when both are 0. The caller
    // starts the run (setting the run-active flag) when the result asks for one.
    TickResult Tick(const AppSettings& settings, bool manualRun, bool runActive);

    int NodeDetectionCountdown() const { return m_detectionCountdown; }
    int StatusCountdown() const { return m_statusCountdown; }
    void SetCountdowns(int detection, int status);

  private:
    // Written by the GUI thread's timer, read by the status bar and tests.
    std::atomic<int> m_detectionCountdown{0};
    std::atomic<int> m_statusCountdown{0};
};

// "ポーリングタイマ－： HH：MM：SS / HH：MM：SS" in CP932.
std::string PollingStatusText(int detectionCountdown, int statusCountdown);

}  // namespace halvera
