#include "cli/termination_signals.h"

#include <cerrno>
#include <ctime>

namespace halvera {

TerminationSignals::TerminationSignals() {
    sigemptyset(&m_set);
    sigaddset(&m_set, SIGINT);
    sigaddset(&m_set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &m_set, &m_previous);
}

TerminationSignals::~TerminationSignals() {
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

bool TerminationSignals::WaitFor(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
            deadline - std::chrono::steady_clock::now());
        timespec wait{};
        if (left.count() > 0) {
            wait.tv_sec = static_cast<time_t>(left.count() / 1000000000);
            wait.tv_nsec = static_cast<long>(left.count() % 1000000000);
        }
        const int signal = sigtimedwait(&m_set, nullptr, &wait);
        if (signal > 0) {
            m_received = m_received == 0 ? signal : m_received;
            ++m_count;
            return true;
        }
        if (errno != EINTR || left.count() <= 0) {
            return false;
        }
    }
}

}  // namespace halvera
