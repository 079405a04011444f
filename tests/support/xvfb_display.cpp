#include "support/xvfb_display.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace halvera::test {
namespace {

constexpr int FIRST_DISPLAY = 90;
constexpr int LAST_DISPLAY = 199;

std::string LockFile(int display) {
    return "/tmp/.X" + std::to_string(display) + "-lock";
}

// The server that holds a display writes its process id into the display's lock file.
bool LockHeldBy(int display, pid_t pid) {
    std::ifstream lock(LockFile(display));
    long holder = 0;
    return lock >> holder && holder == pid;
}

bool Accepts(int display) {
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(display);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected =
        ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return connected;
}

// Looks without reaping: the ChildProcess still owns the process.
bool Ended(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

}  // namespace

XvfbDisplay::XvfbDisplay(bool withTray) {
    for (int display = FIRST_DISPLAY; display <= LAST_DISPLAY && !Ready(); ++display) {
        if (!std::filesystem::exists(LockFile(display)) && StartServer(display)) {
            m_name = ":" + std::to_string(display);
        }
    }
    if (!Ready()) {
        m_error = "no X server could be started (is xvfb installed?)";
        return;
    }
    if (withTray) {
        StartTray();
    }
}

void XvfbDisplay::StartTray() {
    if (Ready() && m_tray == nullptr) {
        m_tray = std::make_unique<ChildProcess>(
            std::vector<std::string>{"trayer", "--edge", "bottom", "--align", "right",
                                     "--widthtype", "request", "--height", "24", "--SetDockType",
                                     "false", "--SetPartialStrut", "false"},
            Environment());
    }
}

XvfbDisplay::~XvfbDisplay() {
    m_tray.reset();
    m_server.reset();
}

bool XvfbDisplay::StartServer(int display) {
    auto server = std::make_unique<ChildProcess>(std::vector<std::string>{
        "Xvfb", ":" + std::to_string(display), "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    if (!server->Started()) {
        return false;
    }
    // Another test may take the same number at the same moment: the server that loses the
    // lock file ends, and the next number is tried.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        if (Ended(server->Pid())) {
            return false;
        }
        if (LockHeldBy(display, server->Pid()) && Accepts(display)) {
            m_server = std::move(server);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::vector<std::string> XvfbDisplay::Environment() const {
    return {"DISPLAY=" + m_name, "QT_QPA_PLATFORM=xcb"};
}

int XvfbDisplay::Run(const std::vector<std::string>& argv) const {
    return RunProgram(argv, Environment());
}

std::string XvfbDisplay::Output(const std::vector<std::string>& argv) const {
    return ProgramOutput(argv, Environment());
}

}  // namespace halvera::test
