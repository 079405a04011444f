#pragma once

#include <mutex>

#include "net/local_adapter_info.h"

namespace halvera {

// The process-wide LocalAdapterInfo. A search run reads the adapter again at its start
// while the GUI thread may read it for the node search dialog, so each access is a whole
// copy under the lock.
class LocalAdapterState {
  public:
    LocalAdapterInfo Get() const;
    void Set(const LocalAdapterInfo& info);

  private:
    mutable std::mutex m_mutex;
    LocalAdapterInfo m_info;
};

}  // namespace halvera
