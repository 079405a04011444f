#pragma once

#include <string>

namespace halvera {

// What became of an event settings change: an event kind's record, the action node ranges
// with ALLEVENT.
struct EventSettingsChange {
    enum Outcome {
        EVENT_SETTINGS_STORED,      // the files hold the change
        EVENT_SETTINGS_REFUSED,     // nothing changed; message says why (the dialog stays open)
        EVENT_SETTINGS_NOT_STORED,  // a file could not be written (its store has said so)
    };
    Outcome outcome = EVENT_SETTINGS_NOT_STORED;
    std::string message;  // CP932, only with EVENT_SETTINGS_REFUSED
};

}  // namespace halvera
