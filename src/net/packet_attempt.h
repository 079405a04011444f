#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "base/ip_address.h"
#include "capture/frame_batch.h"
#include "capture/packet_driver.h"
#include "lists/error_log.h"
#include "lists/prompt.h"
#include "net/probe_frame.h"

namespace halvera {

// Waits the capture window out; tests replace it so they never sleep.
using WindowWait = std::function<void(std::chrono::milliseconds)>;

// Blocks the calling thread for the given time.
void SleepFor(std::chrono::milliseconds duration);

// Everything a probe attempt needs besides its frame: the driver, where failures go, and
// the settings ADPNUM and TIMEOUT as the caller read them.
struct PacketAttempt {
    PacketDriver& driver;
    ErrorLog& errorLog;
    Prompt& prompt;
    int adapterIndex = 0;  // ADPNUM
    int timeoutMs = 100;   // TIMEOUT
    WindowWait wait = SleepFor;
    int sendRate = 1000;  // SENDRATE, frames a second
    // The run's stop request: once it is set, a window in flight ends without its verdict.
    const std::atomic<int>* stop = nullptr;
};

// A window that a stop request ended before its verdict: nothing is known, nothing logged.
inline constexpr int WINDOW_CUT = -2;

// One capture window: opens the adapter, writes the frames (packed back to back, frameSize
// bytes each) at the attempt's send rate, waits TIMEOUT and hands everything captured since
// the open to visit. 0, or -1 after a failure, logged under "netmond" (an adapter that does
// not open also shows a message box). A failed send is logged ("PacketSendPacket failed")
// but still reads the window; with nothing sent and nothing captured the window fails.
// WINDOW_CUT when the attempt's stop request came before the read (visit sees nothing).
int CaptureWindow(const PacketAttempt& attempt, std::span<const std::uint8_t> frames,
                  std::size_t frameSize, const FrameVisitor& visit);

// The same window with its frames in waves, each at the send rate: a wave after the first
// leaves a short gap (at most TIMEOUT divided by the number of waves) after the one before
// it, so that the retries of a request are not lost to one burst, and the window closes
// TIMEOUT after the last wave.
int CaptureWindow(const PacketAttempt& attempt, std::span<const std::vector<std::uint8_t>> waves,
                  std::size_t frameSize, const FrameVisitor& visit);

// An attempt whose window also held the own kernel's look-up of the probed address: a reply
// cannot be told from an answer to the probe.
inline constexpr int PROBE_UNSURE = 3;

// One attempt: writes probed into frame's target address, opens the adapter, sends the
// frame, waits TIMEOUT and looks through everything captured since the open for an ARP
// reply from probed. Returns 1 (reply seen), 2 (no reply), PROBE_UNSURE, WINDOW_CUT or -1
// (error, logged under "netmond"; an adapter that does not open also shows a message box).
int SendAndCapture(const PacketAttempt& attempt, ProbeFrame& frame, Ipv4 probed);

}  // namespace halvera
