#include "base/file_opener.h"

#include <fcntl.h>
#include <sys/stat.h>
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

// open(2)'s flags for an fopen mode ("r", "w" or "a", then "+", "b", "e", "x" in any
// order), never following a link at the file; -1 for another first letter.
int OpenFlags(std::string_view mode) {
    if (mode.empty()) {
        return -1;
    }
    const bool both = mode.find('+') != std::string_view::npos;
    int flags = O_NOFOLLOW | O_CLOEXEC;
    switch (mode[0]) {
        case 'r':
            flags |= both ? O_RDWR : O_RDONLY;
            break;
        case 'w':
            flags |= (both ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
            break;
        case 'a':
            flags |= (both ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
            break;
        default:
            return -1;
    }
    if (mode.find('x') != std::string_view::npos) {
        flags |= O_EXCL;
    }
    return flags;
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

std::FILE* OpenFileNoFollow(const std::filesystem::path& path, const char* fopenMode,
                            mode_t createMode) {
    const int flags = OpenFlags(fopenMode);
    if (flags < 0) {
        errno = EINVAL;
        return nullptr;
    }
    // The folder is opened without following a link as well: a working folder replaced by a
    // link would lead the file's name anywhere.
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    const int folderFd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folderFd < 0) {
        struct stat info {};
        if (errno == ENOTDIR && ::lstat(folder.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
            errno = ELOOP;
        }
        return nullptr;
    }
    const int fd = ::openat(folderFd, path.filename().c_str(), flags, createMode);
    const int error = errno;
    ::close(folderFd);
    if (fd < 0) {
        errno = error;
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, fopenMode);
    if (file == nullptr) {
        const int fdopenError = errno;
        ::close(fd);
        errno = fdopenError;
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
