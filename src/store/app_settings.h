#pragma once

#include <cstdint>
#include <string>

#include "store/app_setting_rows.h"

namespace halvera {

// The settings of section "INIT" of Kelvane.ini, named by their keys, with their defaults;
// the fields come from the rows of app_setting_rows.h.
struct AppSettings {
#define HALVERA_NUMBER_FIELD(key, value, rules) std::int32_t key = value;
#define HALVERA_TEXT_FIELD(key, value, most) std::string key = value;
    HALVERA_APP_SETTINGS(HALVERA_NUMBER_FIELD, HALVERA_TEXT_FIELD)
#undef HALVERA_NUMBER_FIELD
#undef HALVERA_TEXT_FIELD

    bool operator==(const AppSettings&) const = default;
};

}  // namespace halvera
