#pragma once

#include "base/busy_flag.h"
#include "lists/error_log.h"
#include "lists/prompt.h"
#include "store/pending_report.h"

namespace halvera {

// One operation on a store's file: takes the file's busy flag and, on every way out, first
// releases it and only then tells what the operation reported. A message box waits for the
// user, and the thread waiting for the flag meanwhile may be the GUI thread that has to show
// that box: told under the flag, the two would wait for each other for ever.
class StoreOperation {
  public:
    StoreOperation(BusyFlag& flag, Prompt& prompt, ErrorLog& errorLog);
    ~StoreOperation();
    StoreOperation(const StoreOperation&) = delete;
    StoreOperation& operator=(const StoreOperation&) = delete;

    PendingReport& Report() { return m_report; }

  private:
    BusyFlag& m_flag;
    Prompt& m_prompt;
    ErrorLog& m_errorLog;
    PendingReport m_report;
};

}  // namespace halvera
