#pragma once

#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <thread>

namespace halvera::test {

// A user id that no account on a test machine has.
inline constexpr uid_t STRANGER_UID = 4242;

// A socket that the kernel counts as `uid`'s (the owner its socket diagnostics report), made
// by a thread whose file system user id is `uid` for the one call: the rest of the test
// process keeps its own ids. Needs root; -1 without.
inline int SocketAsUser(uid_t uid, int type) {
    int socket = -1;
    std::thread maker([&] {
        const auto own = static_cast<uid_t>(::setfsuid(uid));
        if (static_cast<uid_t>(::setfsuid(uid)) == uid) {
            socket = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
        }
        ::setfsuid(own);
    });
    maker.join();
    return socket;
}

}  // namespace halvera::test
