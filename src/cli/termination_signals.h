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

    // Waits at most `timeout` for one of the signals; true when one arrived during the wait.
    // Each signal is taken once, so a caller that goes on waiting after the first one sleeps
    // until the next, never spins.
    bool WaitFor(std::chrono::milliseconds timeout);
    // The signal that arrived first, 0 before any; how many have arrived.
    int Received() const { return m_received; }
    int Count() const { return m_count; }

  private:
    sigset_t m_set;
    sigset_t m_previous;
    int m_received = 0;
    int m_count = 0;
};

}  // namespace halvera
