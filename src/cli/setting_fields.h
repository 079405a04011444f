#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/list_writer.h"
#include "monitor/options_entry.h"
#include "monitor/search_settings_entry.h"
#include "store/settings_schema.h"

namespace halvera {

// A key of settings or options that its dialog enters through a control of its own (a check
// box, a unit list, an adapter list, a mask of boxes): how halvera-cli shows it and sets it
// in the dialog's entry. A row without set only shows the key; one without set and show
// stands for the key of the settings schema that the entry holds as a typed number, shown at
// the row's place.
template <typename Entry>
struct EntryField {
    std::string_view key;
    std::vector<std::string_view> values;  // the values its form allows; none: any decimal
    std::int32_t maskBits = 0;    // a mask of these bits, decimal or 0x and hexadecimal digits
    bool checkedOnStore = false;  // any decimal, which the dialog's check takes or refuses
    void (*set)(Entry& entry, const std::string& value) = nullptr;
    ListCell (*show)(const AppSettings& settings, const Entry& entry) = nullptr;
};

// The keys of settings and settings set, in the order settings prints them; the schema's
// keys with a range that the search settings enter follow them.
std::span<const EntryField<SearchSettingsEntry>> SearchSettingFields();
// The keys of options and options set, in the order options prints them.
std::span<const EntryField<OptionsEntry>> OptionFields();

// What settings set or options set takes for a key: the values its form allows, or a number
// that the dialog's check refuses when it is stored.
struct SettingShape {
    std::vector<std::string_view> values;  // none: any decimal number
    bool checkedOnStore = false;
    std::int32_t maskBits = 0;
};
std::optional<SettingShape> SettingShapeOf(SettingCli cli, std::string_view key);

// The keys of a command with their values, in the order it prints them.
NamedCells SearchSettingCells(const AppSettings& settings);
NamedCells OptionCells(const AppSettings& settings);

// The dialog's entry for these settings, changed by the keys and values given (as the parse
// let them through).
SearchSettingsEntry SearchSettingsEntryWith(
    const AppSettings& settings, const std::vector<std::pair<std::string, std::string>>& values);
OptionsEntry OptionsEntryWith(const AppSettings& settings,
                              const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace halvera
