#include "events/posix_desktop_actions.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "base/clean_spawn.h"
#include "base/text_codec.h"

namespace halvera {

int SpawnDetached(const std::vector<std::string>& argv, std::function<void(int status)> onExit) {
    const pid_t pid = SpawnClean(argv);
    if (pid < 0) {
        return -1;
    }
    std::thread([pid, onExit = std::move(onExit)] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (onExit) {
            onExit(status);
        }
    }).detach();
    return pid;
}

namespace {

bool IsExecutableFile(const std::string& pathUtf8) {
    struct stat info {};
    return stat(pathUtf8.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(pathUtf8.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> FindExecutable(const std::string& nameUtf8) {
    if (nameUtf8.empty()) {
        return std::nullopt;
    }
    if (nameUtf8.find('/') != std::string::npos) {
        return IsExecutableFile(nameUtf8) ? std::optional(nameUtf8) : std::nullopt;
    }
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        // An empty entry would mean the current folder, which a name from the settings must
        // not reach by accident.
        if (!folder.empty()) {
            const std::string candidate = std::string(folder) + "/" + nameUtf8;
            if (IsExecutableFile(candidate)) {
                return candidate;
            }
        }
    }
    return std::nullopt;
}

void PosixDesktopActions::OpenFile(const std::string& path,
                                   const std::vector<std::string>& arguments) {
    // File names on Linux are UTF-8; the settings keep CP932.
    std::vector<std::string> argv{Cp932ToUtf8Lossy(path)};
    if (const auto program = FindExecutable(argv[0])) {
        argv[0] = *program;
        for (const auto& argument : arguments) {
            argv.push_back(Cp932ToUtf8Lossy(argument));
        }
    } else {
        argv.insert(argv.begin(), "xdg-open");
    }
    SpawnDetached(argv);
}

void PosixDesktopActions::Beep() {
    if (isatty(STDOUT_FILENO)) {
        std::fputs("\a", stdout);
        std::fflush(stdout);
    }
}

void PosixDesktopActions::PlaySound(const std::string& soundFile) {
    bool idle = false;
    if (!m_playing->compare_exchange_strong(idle, true)) {
        return;
    }
    auto playing = m_playing;
    if (SpawnDetached({"aplay", "-q", Cp932ToUtf8Lossy(soundFile)},
                      [playing](int) { *playing = false; }) < 0) {
        *playing = false;
    }
}

}  // namespace halvera
