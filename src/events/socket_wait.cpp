#include "events/socket_wait.h"

#include <algorithm>
#include <cerrno>

#include <poll.h>

namespace halvera {

bool WaitForSocket(int socket, short events, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        // Rounded up: poll must not give up before the limit.
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline -
                                                                 std::chrono::steady_clock::now());
        pollfd entry{socket, events, 0};
        int ready = ::poll(&entry, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

}  // namespace halvera
