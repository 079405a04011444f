#pragma once

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "events/popup_relay.h"

namespace halvera::test {

// The popup program that the build put below the programs, <build>/halvera/bin/Brevlet,
// while the test programs live in <build>/tests. Missing when the GUI was not built.
inline std::filesystem::path BuiltBrevlet() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "halvera" /
           "bin" / "Brevlet";
}

// True when the popup port is free on this machine, so that the real popup program can take it.
inline bool PopupPortFree() {
    int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(POPUP_PORT);
    bool free = ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return free;
}

// Why the real popup program cannot run here (not built, the port taken), empty when it can.
inline std::string RealPopupProgramMissing() {
    if (!std::filesystem::exists(BuiltBrevlet())) {
        return "the popup program was not built";
    }
    return PopupPortFree() ? std::string() : "UDP port 20100 is taken on this machine";
}

// Waits (at most twenty seconds) until something holds the popup port of the loopback address,
// as a started popup program does once it is ready.
inline bool WaitForPopupPortHeld() {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
        int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(POPUP_PORT);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bool held = ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
                    errno == EADDRINUSE;
        ::close(probe);
        if (held) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// The resident memory of a process in kB (VmRSS), -1 when it cannot be read.
inline long ResidentKb(pid_t process) {
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// True once no process has the id (ended and reaped).
inline bool ProcessGone(pid_t process) {
    return ::kill(process, 0) != 0 && errno == ESRCH;
}

// Waits (at most five seconds) until the relay sees no popup program any more.
inline bool WaitForNoProgram(const PopupRelay& relay) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (relay.PopupProcess() != 0 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return relay.PopupProcess() == 0;
}

}  // namespace halvera::test
