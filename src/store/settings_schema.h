#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "store/app_settings.h"

namespace halvera {

// Which command of halvera-cli shows and sets a key with its own check.
enum class SettingCli { None, Settings, Options };

// The values a key may hold: at most high, at least low.
struct SettingRange {
    std::int32_t low = 0;
    std::int32_t high = 0;
};

// What the schema knows of a key beyond its name, field and default.
struct SettingRules {
    // Held to on reading the file (a hand-edited file may hold anything) and checked when a
    // dialog or halvera-cli enters the key, with the refusal below.
    std::optional<SettingRange> range;
    // A key added after the first release: missing or below 1 it reads as its default, since a
    // 0 there would not be what its user chose.
    bool addedLater = false;
    const char* refusal = nullptr;  // UTF-8
    SettingCli cli = SettingCli::None;
    const char* cliHelp = nullptr;  // the range in the CLI's help text
    const char* summary = nullptr;  // the label of the settings summary (UTF-8); none: not there
    const char* unit = nullptr;     // after the value in the summary (UTF-8)
};

// One key of section "INIT" of Kelvane.ini.
struct SettingKey {
    std::string_view key;
    std::int32_t AppSettings::*number;  // the field; nothing for the text
    std::string AppSettings::*text;     // the text's field, nothing for a number
    std::size_t mostBytes;              // of the text
    SettingRules rules;
};

// Every key in the order the file holds them.
std::span<const SettingKey> AppSettingKeys();
// The key of that name; nothing when there is none.
const SettingKey* FindSettingKey(std::string_view key);

// Numbers as a dialog or halvera-cli enters them, by their key.
using SettingTexts = std::map<std::string, std::string, std::less<>>;

// The keys with a range that this command (and its dialog) enters, with their values.
SettingTexts SettingTextsOf(const AppSettings& settings, SettingCli cli);

// Checks the texts of the keys with a range that this command enters; the first refusal
// (CP932), or empty when every one is accepted and the settings hold them. A key missing
// from the texts is refused.
std::string ApplySettingTexts(const SettingTexts& texts, SettingCli cli, AppSettings& settings);

// A key's value as a dialog or halvera-cli enters it: the check of a key with a range (a
// number as the settings' number fields hold it, within the range). The refusal (CP932), or
// empty when the text is accepted.
std::string CheckSettingText(const SettingKey& key, std::string_view text);

}  // namespace halvera
