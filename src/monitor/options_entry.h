#pragma once

#include <cstdint>
#include <string>

#include "store/app_settings.h"
#include "store/settings_schema.h"

namespace halvera {

// The options as the options dialog and halvera-cli enter them.
struct OptionsEntry {
    std::int32_t map = 0;      // MAP: node list columns
    std::int32_t elist = 0;    // ELIST: event list columns
    SettingTexts numbers;      // as typed, the keys with a range in the settings schema
    bool scroll = false;       // SCROLL
    bool sortAtStart = false;  // BSORT
    std::int32_t sort = 1;     // SORT
    bool pollAtStart = false;  // BPOLING
};

// The entry that shows these settings.
OptionsEntry OptionsEntryOf(const AppSettings& settings);

}  // namespace halvera
