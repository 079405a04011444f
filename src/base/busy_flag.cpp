#include "base/busy_flag.h"

#include <chrono>
#include <thread>

namespace halvera {

void BusyFlag::Acquire() {
    while (!TryAcquire()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace halvera
