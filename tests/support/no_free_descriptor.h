#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace halvera::test {

// Lowers this process's limit of open files to its lowest free descriptor, so that every
// open fails with EMFILE (as while another program holds the descriptors for a moment), until
// Restore or the end of the object.
class NoFreeDescriptor {
  public:
    NoFreeDescriptor() {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowest = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::close(lowest);
        rlimit lowered = m_saved;
        lowered.rlim_cur = static_cast<rlim_t>(lowest);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~NoFreeDescriptor() { Restore(); }
    NoFreeDescriptor(const NoFreeDescriptor&) = delete;
    NoFreeDescriptor& operator=(const NoFreeDescriptor&) = delete;

    void Restore() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }

  private:
    rlimit m_saved{};
};

}  // namespace halvera::test
