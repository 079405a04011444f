#pragma once

#include <signal.h>

#include <chrono>

namespace halvera {

// SIGINT and SIGTERM for halvera-cli. Blocked in the main thread before any other thread
// starts, so every thread inherits the block and none is interrupted in the middle of a
// probe or a store write; the main thread takes them synchronously while it waits.
class TerminationSignals {
  public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Waits at most `timeout` for one of the signals; true when one has arrived (now or
    // before).
    bool WaitFor(std::chrono::milliseconds timeout);
    // The signal that arrived first, 0 before any.
    int Received() const { return m_received; }

  private:
    sigset_t m_set;
    sigset_t m_previous;
    int m_received = 0;
};

}  // namespace halvera
