#include "store/log_store_row_deleter.h"

namespace halvera {

int LogStoreRowDeleter::CountEntries() {
    return m_kind == LogKind::Event ? m_logs.CountEventLog() : m_logs.CountErrorLog();
}

void LogStoreRowDeleter::DeleteRows(const std::vector<int>& rows, Progress& progress) {
    if (m_kind == LogKind::Event) {
        m_logs.DeleteEventLogRows(rows, &progress);
    } else {
        m_logs.DeleteErrorLogRows(rows, &progress);
    }
}

}  // namespace halvera
