#include "cli/setting_fields.h"

#include <algorithm>

#include "base/text_codec.h"
#include "store/options_check.h"
#include "store/search_settings_check.h"

namespace halvera {
namespace {

using SearchField = EntryField<SearchSettingsEntry>;
using OptionField = EntryField<OptionsEntry>;

const std::vector<std::string_view> SWITCH = {"0", "1"};
const std::vector<std::string_view> UNITS = {"60", "3600", "86400"};

const SearchField SEARCH_FIELDS[] = {
    {"ADPNUM",
     {},
     0,
     false,
     [](SearchSettingsEntry& entry, const std::string& value) { entry.adapter = std::stoi(value); },
     [](const AppSettings& app, const SearchSettingsEntry&) { return NumberCell(app.ADPNUM); }},
    {"ADPNAME",
     {},
     0,
     false,
     nullptr,
     [](const AppSettings& app, const SearchSettingsEntry&) {
         return TextCell(Cp932ToUtf8Lossy(app.ADPNAME));
     }},
    {"NEWENABLE", SWITCH, 0, false,
     [](SearchSettingsEntry& entry, const std::string& value) { entry.newEnable = value == "1"; },
     [](const AppSettings& app, const SearchSettingsEntry&) { return SwitchCell(app.NEWENABLE); }},
    // An interval in its unit, which the dialog's check takes or refuses.
    {"NEWTIME",
     {},
     0,
     true,
     [](SearchSettingsEntry& entry, const std::string& value) { entry.newTime = value; },
     [](const AppSettings&, const SearchSettingsEntry& entry) {
         return NumberCell(std::stoll(entry.newTime));
     }},
    {"NEWTIMEUNIT", UNITS, 0, false,
     [](SearchSettingsEntry& entry, const std::string& value) {
         entry.newUnit = PollUnitIndex(std::stoi(value));
     },
     [](const AppSettings& app, const SearchSettingsEntry&) {
         return NumberCell(app.NEWTIMEUNIT);
     }},
    {"LOOKENABLE", SWITCH, 0, false,
     [](SearchSettingsEntry& entry, const std::string& value) { entry.lookEnable = value == "1"; },
     [](const AppSettings& app, const SearchSettingsEntry&) { return SwitchCell(app.LOOKENABLE); }},
    {"LOOKTIME",
     {},
     0,
     true,
     [](SearchSettingsEntry& entry, const std::string& value) { entry.lookTime = value; },
     [](const AppSettings&, const SearchSettingsEntry& entry) {
         return NumberCell(std::stoll(entry.lookTime));
     }},
    {"LOOKTIMEUNIT", UNITS, 0, false,
     [](SearchSettingsEntry& entry, const std::string& value) {
         entry.lookUnit = PollUnitIndex(std::stoi(value));
     },
     [](const AppSettings& app, const SearchSettingsEntry&) {
         return NumberCell(app.LOOKTIMEUNIT);
     }},
    {"NODEDISP", SWITCH, 0, false,
     [](SearchSettingsEntry& entry, const std::string& value) { entry.nodeDisp = value == "1"; },
     [](const AppSettings& app, const SearchSettingsEntry&) { return SwitchCell(app.NODEDISP); }},
};

const OptionField OPTION_FIELDS[] = {
    {"MAP",
     {},
     NODE_LIST_MAP_BITS,
     false,
     [](OptionsEntry& entry, const std::string& value) { entry.map = std::stoi(value); },
     [](const AppSettings& app, const OptionsEntry&) { return NumberCell(app.MAP); }},
    {"ELIST",
     {},
     EVENT_LIST_BITS,
     false,
     [](OptionsEntry& entry, const std::string& value) { entry.elist = std::stoi(value); },
     [](const AppSettings& app, const OptionsEntry&) { return NumberCell(app.ELIST); }},
    // The number of event list rows, as the settings schema enters it.
    {"ELISTMAX", {}, 0, false, nullptr, nullptr},
    // The list scrolls at 1 only, as the options dialog reads it.
    {"SCROLL", SWITCH, 0, false,
     [](OptionsEntry& entry, const std::string& value) { entry.scroll = value == "1"; },
     [](const AppSettings& app, const OptionsEntry&) {
         return ListCell{std::to_string(app.SCROLL), app.SCROLL == 1};
     }},
    {"BSORT", SWITCH, 0, false,
     [](OptionsEntry& entry, const std::string& value) { entry.sortAtStart = value == "1"; },
     [](const AppSettings& app, const OptionsEntry&) { return SwitchCell(app.BSORT); }},
    {"SORT",
     {"1", "2", "3", "4", "5"},
     0,
     false,
     [](OptionsEntry& entry, const std::string& value) { entry.sort = std::stoi(value); },
     [](const AppSettings& app, const OptionsEntry&) { return NumberCell(app.SORT); }},
    {"BPOLING", SWITCH, 0, false,
     [](OptionsEntry& entry, const std::string& value) { entry.pollAtStart = value == "1"; },
     [](const AppSettings& app, const OptionsEntry&) { return SwitchCell(app.BPOLING); }},
};

bool EnteredAsNumber(const SettingKey& key, SettingCli cli) {
    return key.rules.cli == cli && key.rules.range.has_value();
}

template <typename Entry>
const EntryField<Entry>* FindField(std::span<const EntryField<Entry>> fields,
                                   std::string_view key) {
    const auto found =
        std::find_if(fields.begin(), fields.end(),
                     [key](const EntryField<Entry>& field) { return field.key == key; });
    return found == fields.end() ? nullptr : &*found;
}

// The fields' cells, the schema's numbers at their placeholders and after the fields.
template <typename Entry>
NamedCells Cells(std::span<const EntryField<Entry>> fields, SettingCli cli,
                 const AppSettings& settings, const Entry& entry) {
    const auto number = [&entry](std::string_view key) {
        return NumberCell(std::stoll(entry.numbers.find(key)->second));
    };
    NamedCells cells;
    for (const EntryField<Entry>& field : fields) {
        cells.emplace_back(field.key,
                           field.show != nullptr ? field.show(settings, entry) : number(field.key));
    }
    for (const SettingKey& key : AppSettingKeys()) {
        if (EnteredAsNumber(key, cli) && FindField(fields, key.key) == nullptr) {
            cells.emplace_back(key.key, number(key.key));
        }
    }
    return cells;
}

template <typename Entry>
Entry With(std::span<const EntryField<Entry>> fields, Entry entry,
           const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [key, value] : values) {
        const EntryField<Entry>* field = FindField(fields, key);
        if (field != nullptr && field->set != nullptr) {
            field->set(entry, value);
        } else {
            entry.numbers[key] = value;
        }
    }
    return entry;
}

template <typename Entry>
std::optional<SettingShape> ShapeOf(std::span<const EntryField<Entry>> fields, SettingCli cli,
                                    std::string_view name) {
    const EntryField<Entry>* field = FindField(fields, name);
    if (field != nullptr && field->set != nullptr) {
        return SettingShape{field->values, field->checkedOnStore, field->maskBits};
    }
    const SettingKey* key = FindSettingKey(name);
    if (key != nullptr && EnteredAsNumber(*key, cli)) {
        return SettingShape{{}, true, 0};
    }
    return std::nullopt;
}

}  // namespace

std::span<const EntryField<SearchSettingsEntry>> SearchSettingFields() {
    return SEARCH_FIELDS;
}

std::span<const EntryField<OptionsEntry>> OptionFields() {
    return OPTION_FIELDS;
}

std::optional<SettingShape> SettingShapeOf(SettingCli cli, std::string_view key) {
    return cli == SettingCli::Settings ? ShapeOf(SearchSettingFields(), cli, key)
                                       : ShapeOf(OptionFields(), cli, key);
}

NamedCells SearchSettingCells(const AppSettings& settings) {
    return Cells(SearchSettingFields(), SettingCli::Settings, settings,
                 SearchSettingsEntryOf(settings));
}

NamedCells OptionCells(const AppSettings& settings) {
    return Cells(OptionFields(), SettingCli::Options, settings, OptionsEntryOf(settings));
}

SearchSettingsEntry SearchSettingsEntryWith(
    const AppSettings& settings, const std::vector<std::pair<std::string, std::string>>& values) {
    return With(SearchSettingFields(), SearchSettingsEntryOf(settings), values);
}

OptionsEntry OptionsEntryWith(const AppSettings& settings,
                              const std::vector<std::pair<std::string, std::string>>& values) {
    return With(OptionFields(), OptionsEntryOf(settings), values);
}

}  // namespace halvera
