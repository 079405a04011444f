#include "base/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace halvera {
namespace {

long ReadPid(int fd) {
    char text[32] = {};
    const ssize_t n = pread(fd, text, sizeof text - 1, 0);
    if (n <= 0) {
        return 0;
    }
    char* end = nullptr;
    const long pid = std::strtol(text, &end, 10);
    return end != text && pid > 0 ? pid : 0;
}

}  // namespace

InstanceLock::~InstanceLock() {
    Release();
}

bool InstanceLock::Acquire(const std::filesystem::path& folder) {
    Release();
    m_holderPid = 0;
    m_error.clear();
    const std::filesystem::path path = folder / INSTANCE_LOCK_FILE;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        m_error = path.string() + ": " + std::strerror(errno);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            m_holderPid = ReadPid(fd);
        } else {
            m_error = path.string() + ": " + std::strerror(error);
        }
        close(fd);
        return false;
    }
    // The pid only helps the refused process name the holder; the lock itself is the flock.
    const std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = pwrite(fd, pid.data(), pid.size(), 0);
    }
    m_fd = fd;
    return true;
}

void InstanceLock::Release() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

}  // namespace halvera
