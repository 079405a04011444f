#include "store/log_list_loader.h"

namespace halvera {

int LogListLoader::Count() {
    return m_kind == LogKind::Event ? m_logs.CountEventLog() : m_logs.CountErrorLog();
}

void LogListLoader::Load(Progress& progress, int firstPosition) {
    if (m_kind == LogKind::Event) {
        m_logs.ReadEventLog(FILTER_ALL, {}, &progress, firstPosition);
    } else {
        m_logs.ReadErrorLog(&progress, firstPosition);
    }
}

}  // namespace halvera
