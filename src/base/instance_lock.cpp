#include "base/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

constexpr const char* WORKING_FOLDERS[] = {"db", "log", "tmp"};
constexpr const char* OTHERS_CAN_WRITE =
    "other users can write this folder; run as root only on a folder that only root can write";

bool OthersCanWrite(const struct stat& info) {
    return info.st_uid != 0 || (info.st_mode & S_IWOTH) != 0 ||
           ((info.st_mode & S_IWGRP) != 0 && info.st_gid != 0);
}

}  // namespace

InstanceLock::~InstanceLock() {
    Release();
}

bool InstanceLock::Acquire(const std::filesystem::path& folder) {
    Release();
    m_holderPid = 0;
    m_error.clear();
    const auto fail = [&](const std::filesystem::path& what, const std::string& why) {
        m_error = what.string() + ": " + why;
        Release();
        return false;
    };
    // The folder itself is locked: unlike a file in it, it cannot be removed from under the
    // holder to let a second process in.
    m_folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folderFd < 0) {
        return fail(folder, std::strerror(errno));
    }
    if (geteuid() == 0) {
        // Other users could plant files and links where root writes: in the folder, or in
        // the working folders whose files root opens, cuts and replaces.
        struct stat info {};
        if (fstat(m_folderFd, &info) == 0 && OthersCanWrite(info)) {
            return fail(folder, OTHERS_CAN_WRITE);
        }
        for (const char* working : WORKING_FOLDERS) {
            if (fstatat(m_folderFd, working, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;  // made later, by root
            }
            if (S_ISLNK(info.st_mode)) {
                return fail(folder / working,
                            "a link in place of a working folder; run as root only on a "
                            "folder that only root can write");
            }
            if (S_ISDIR(info.st_mode) && OthersCanWrite(info)) {
                return fail(folder / working, OTHERS_CAN_WRITE);
            }
        }
    }
    if (flock(m_folderFd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK) {
            return fail(folder, std::strerror(error));
        }
        const int pidFd = openat(m_folderFd, INSTANCE_LOCK_FILE, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        m_holderPid = pidFd >= 0 ? ReadPid(pidFd) : 0;
        if (pidFd >= 0) {
            close(pidFd);
        }
        Release();
        return false;
    }
    // Never through a link: whatever it points at would be overwritten with the pid. The file
    // is locked too, as earlier versions lock only the file.
    const int fd =
        openat(m_folderFd, INSTANCE_LOCK_FILE, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return fail(folder / INSTANCE_LOCK_FILE, std::strerror(errno));
    }
    m_fd = fd;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK) {
            return fail(folder / INSTANCE_LOCK_FILE, std::strerror(error));
        }
        m_holderPid = ReadPid(fd);
        Release();
        return false;
    }
    // The pid only helps the refused process name the holder; the lock itself is the flock.
    const std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = pwrite(fd, pid.data(), pid.size(), 0);
    }
    return true;
}

void InstanceLock::Release() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (m_folderFd >= 0) {
        close(m_folderFd);
        m_folderFd = -1;
    }
}

}  // namespace halvera
