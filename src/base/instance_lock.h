#pragma once

#include <filesystem>
#include <string>

namespace halvera {

// Keeps a second Halvera process off a program folder: an exclusive lock (flock) on the folder
// and on the file INSTANCE_LOCK_FILE in it, held while the object lives. The Qt program and
// halvera-cli take the same lock, so the data files of one folder never have writers in two
// processes. The lock goes with the process, however it ends; the file stays and holds the holder's
// pid.
class InstanceLock {
  public:
    static constexpr const char* INSTANCE_LOCK_FILE = "halvera.lock";

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock of the folder. False when another process holds it (HolderPid() names
    // it, 0 when it cannot be read), or (Error() says why) the folder or the lock file cannot
    // be opened, the lock file is a symbolic link, or the process runs as root and other
    // users can write the folder or one of its working folders db/, log/ and tmp/, or a link
    // stands in a working folder's place.
    bool Acquire(const std::filesystem::path& folder);
    void Release();

    long HolderPid() const { return m_holderPid; }
    const std::string& Error() const { return m_error; }

  private:
    int m_folderFd = -1;
    int m_fd = -1;
    long m_holderPid = 0;
    std::string m_error;
};

}  // namespace halvera
