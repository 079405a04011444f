#pragma once

#include "lists/log_row_deleter.h"
#include "store/log_store.h"

namespace halvera {

// The deletion dialog of one log list on its file in the log store.
class LogStoreRowDeleter : public LogRowDeleter {
  public:
    LogStoreRowDeleter(LogStore& logs, LogKind kind) : m_logs(logs), m_kind(kind) {}

    int CountEntries() override;
    void DeleteRows(const std::vector<int>& rows, Progress& progress) override;

  private:
    LogStore& m_logs;
    LogKind m_kind;
};

}  // namespace halvera
