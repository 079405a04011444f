#pragma once

#include <sys/resource.h>

namespace halvera::test {

// Lowers this process's limit of open files to none, so that every open fails with EMFILE
// (as while the process's descriptors run out for a moment) even where a descriptor has just
// been closed, until Restore or the end of the object. Descriptors already open stay usable.
class NoFreeDescriptor {
  public:
    NoFreeDescriptor() {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = 0;
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
