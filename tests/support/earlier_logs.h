#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "lists/list_columns.h"
#include "lists/list_table.h"
#include "store/log_store.h"
#include "store/settings_store.h"
#include "support/recording_prompt.h"

namespace halvera::test {

// Writes lines into the logs of the current program folder, as an earlier run did.
inline void WriteEarlierLogs(const std::function<void(LogStore&)>& write) {
    RecordingPrompt prompt;
    SettingsStore settings;
    ListTable eventLog(EVENT_LOG_COLUMNS);
    ListTable errorLog(ERROR_LOG_COLUMNS);
    LogStore logs(eventLog, errorLog, prompt, settings);
    ASSERT_EQ(logs.Init(), 0);
    write(logs);
    logs.Close();
}

}  // namespace halvera::test
