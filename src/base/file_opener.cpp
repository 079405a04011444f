#include "base/file_opener.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

namespace halvera {
namespace {

std::mutex g_waitMutex;
RetryWait g_wait;

void Wait(std::chrono::milliseconds delay) {
    RetryWait wait;
    {
        std::lock_guard lock(g_waitMutex);
        wait = g_wait;
    }
    if (wait) {
        wait(delay);
    } else {
        std::this_thread::sleep_for(delay);
    }
}

// What another program or the system's load clears in a while: a file held for a moment,
// descriptors or memory short. Every other error stays until someone mends it.
bool CanPass(int error) {
    switch (error) {
        case EINTR:
        case EAGAIN:
        case EBUSY:
        case EMFILE:
        case ENFILE:
        case ENOMEM:
        case ETXTBSY:
            return true;
        default:
            return false;
    }
}

}  // namespace

const char* FopenMode(FileFamily family, int openMode, bool exists) {
    switch (family) {
        case FileFamily::Binary:
            switch (openMode) {
                case OPEN_READ:
                    return exists ? "rb" : "wb+";
                case OPEN_UPDATE:
                    return exists ? "rb+" : "wb+";
                case OPEN_CREATE:
                    return "wb+";
                default:
                    return nullptr;
            }
        case FileFamily::Record:
            switch (openMode) {
                case OPEN_READ:
                    return exists ? "r" : "w+";
                case OPEN_UPDATE:
                    return exists ? "r+" : "w+";
                case OPEN_CREATE:
                    return "w+";
                default:
                    return nullptr;
            }
        case FileFamily::Appending:
            switch (openMode) {
                case OPEN_READ:
                    return "r";
                case OPEN_WRITE:
                    return "w";
                case OPEN_CREATE:
                    return "w+";
                case OPEN_APPEND:
                    return "a+";
                default:
                    return nullptr;
            }
    }
    return nullptr;
}

std::FILE* OpenFileNoFollow(const std::filesystem::path& path, const char* fopenMode) {
    const std::string_view mode(fopenMode);
    if (mode.empty() || mode[0] == 'r') {
        return std::fopen(path.c_str(), fopenMode);
    }
    const bool both = mode.find('+') != std::string_view::npos;
    int flags = (both ? O_RDWR : O_WRONLY) | O_CREAT | O_NOFOLLOW | O_CLOEXEC;
    flags |= mode[0] == 'a' ? O_APPEND : O_TRUNC;
    if (mode.find('x') != std::string_view::npos) {
        flags |= O_EXCL;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, fopenMode);
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

void SetRetryWait(RetryWait wait) {
    std::lock_guard lock(g_waitMutex);
    g_wait = std::move(wait);
}

std::FILE* OpenDataFile(const std::filesystem::path& path, FileFamily family, int openMode) {
    std::error_code ec;
    const char* mode = FopenMode(family, openMode, std::filesystem::exists(path, ec));
    if (mode == nullptr) {
        return nullptr;
    }
    // "e": close-on-exec, so the programs an event starts never inherit the open stores.
    const std::string fopenMode = std::string(mode) + "e";
    std::chrono::milliseconds delay(5000);
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (std::FILE* file = OpenFileNoFollow(path, fopenMode.c_str())) {
            return file;
        }
        const int error = errno;
        if (!CanPass(error)) {
            return nullptr;
        }
        Wait(delay);
        errno = error;
        delay *= 2;
    }
    return nullptr;
}

}  // namespace halvera
