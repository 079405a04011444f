#pragma once

#include "lists/progress.h"

namespace halvera {

// One list filled from its file while the splash shows: the node list from the node
// database, the event log and the error log from their files. Runs on the loader thread.
class ListLoader {
  public:
    virtual ~ListLoader() = default;

    // Number of rows the file will give (records or log entries).
    virtual int Count() = 0;
    // Fills the list, setting the progress position to firstPosition plus the index of each
    // row as it is added.
    virtual void Load(Progress& progress, int firstPosition) = 0;
};

}  // namespace halvera
