#include "base/busy_flag.h"

#include <chrono>
#include <thread>

namespace halvera {
namespace {

thread_local int t_held = 0;

}  // namespace

void BusyFlag::Acquire() {
    while (!TryAcquire()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

bool BusyFlag::TryAcquire() {
    if (m_flag.test_and_set(std::memory_order_acquire)) {
        return false;
    }
    ++t_held;
    return true;
}

void BusyFlag::Release() {
    --t_held;
    m_flag.clear(std::memory_order_release);
}

bool BusyFlag::HeldByThisThread() {
    return t_held > 0;
}

}  // namespace halvera
