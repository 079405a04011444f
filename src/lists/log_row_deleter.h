#pragma once

#include <vector>

#include "lists/progress.h"

namespace halvera {

// One log file (event log or error log) as its deletion dialog uses it.
class LogRowDeleter {
  public:
    virtual ~LogRowDeleter() = default;

    // Number of entries in the log file.
    virtual int CountEntries() = 0;
    // Rewrites the log file without the entries shown in these rows of its list (ascending
    // row indexes), advancing the progress as it goes. The list rows stay; the caller
    // removes them afterwards.
    virtual void DeleteRows(const std::vector<int>& rows, Progress& progress) = 0;
};

}  // namespace halvera
