#include "store/store_operation.h"

namespace halvera {

StoreOperation::StoreOperation(BusyFlag& flag, Prompt& prompt, ErrorLog& errorLog)
    : m_flag(flag), m_prompt(prompt), m_errorLog(errorLog) {
    m_flag.Acquire();
}

StoreOperation::~StoreOperation() {
    m_flag.Release();
    m_report.Tell(m_prompt, m_errorLog);
}

}  // namespace halvera
