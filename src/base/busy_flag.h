#pragma once

#include <atomic>

namespace halvera {

// The busy flag of one data file. Taking it is one atomic test-and-set; a taker waits in
// steps of 100 ms while another holds it. Shutdown reads IsBusy() to know when all files
// are idle. The holder releases it on the thread that took it.
//
// Nothing may wait for the user while holding a flag (the GUI thread may be the next taker),
// so each thread counts the flags it holds, and a prompt can check HeldByThisThread().
class BusyFlag {
  public:
    void Acquire();
    bool TryAcquire();
    void Release();
    bool IsBusy() const { return m_flag.test(std::memory_order_acquire); }

    // True while the calling thread holds any busy flag.
    static bool HeldByThisThread();

  private:
    std::atomic_flag m_flag = ATOMIC_FLAG_INIT;
};

// Holds a busy flag for a scope, so it is released on every way out.
class BusyGuard {
  public:
    explicit BusyGuard(BusyFlag& flag) : m_flag(flag) { m_flag.Acquire(); }
    ~BusyGuard() { m_flag.Release(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

  private:
    BusyFlag& m_flag;
};

}  // namespace halvera
