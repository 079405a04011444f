#include "net/local_adapter_state.h"

namespace halvera {

LocalAdapterInfo LocalAdapterState::Get() const {
    std::lock_guard lock(m_mutex);
    return m_info;
}

void LocalAdapterState::Set(const LocalAdapterInfo& info) {
    std::lock_guard lock(m_mutex);
    m_info = info;
}

}  // namespace halvera
