#pragma once

#include "lists/list_loader.h"
#include "store/log_store.h"

namespace halvera {

// Fills the event log list (every line) or the error log list from its file at start-up.
class LogListLoader : public ListLoader {
  public:
    LogListLoader(LogStore& logs, LogKind kind) : m_logs(logs), m_kind(kind) {}

    int Count() override;
    void Load(Progress& progress, int firstPosition) override;

  private:
    LogStore& m_logs;
    LogKind m_kind;
};

}  // namespace halvera
