#pragma once

namespace halvera {

// What the enable rules of the commands look at.
struct CommandState {
    int currentTab = 0;      // 0 node list, 1 event log, 2 error log, 3 settings information
    bool runActive = false;  // a search run (manual or polled) is active
    int nodeRows = 0;        // rows of the node list
};

// Whether the command may run now. A greyed command does nothing, whether chosen from a
// menu, the tool bar or by its shortcut.
bool IsCommandEnabled(int id, const CommandState& state);

}  // namespace halvera
