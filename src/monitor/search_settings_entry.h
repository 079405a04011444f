#pragma once

#include <optional>
#include <string>
#include <vector>

#include "net/local_network_range.h"
#include "store/app_settings.h"
#include "store/settings_schema.h"

namespace halvera {

// The search settings as the search settings dialog and halvera-cli enter them: numbers as
// typed, intervals in their unit. Nothing is stored until every field passes its check.
struct SearchSettingsEntry {
    std::optional<int> adapter;  // ADPNUM; nothing keeps ADPNUM and ADPNAME as they are
    bool newEnable = false;
    std::string newTime;  // in the unit of newUnit
    int newUnit = -1;     // position in POLL_UNITS; -1 keeps NEWTIMEUNIT, newTime in seconds
    bool lookEnable = false;
    std::string lookTime;
    int lookUnit = -1;
    bool nodeDisp = false;
    // The numbers typed into the fields whose keys have a range in the settings schema, by
    // their key.
    SettingTexts numbers;
    // The whole search range list from top to bottom when it changed; nothing keeps the file.
    std::optional<std::vector<IpRange>> ranges;
};

// The entry that shows these settings: each interval divided by its unit (integer division),
// the adapter and the ranges kept as they are.
SearchSettingsEntry SearchSettingsEntryOf(const AppSettings& settings);

}  // namespace halvera
