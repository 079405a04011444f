#include "store/settings_schema.h"

#include <algorithm>

#include "base/text_codec.h"
#include "store/search_settings_check.h"

namespace halvera {
namespace {

#define HALVERA_NUMBER_KEY(key, value, rules) \
    SettingKey{#key, &AppSettings::key, nullptr, 0, rules},
#define HALVERA_TEXT_KEY(key, value, most) SettingKey{#key, nullptr, &AppSettings::key, most, {}},
const SettingKey KEYS[] = {HALVERA_APP_SETTINGS(HALVERA_NUMBER_KEY, HALVERA_TEXT_KEY)};
#undef HALVERA_NUMBER_KEY
#undef HALVERA_TEXT_KEY

}  // namespace

std::span<const SettingKey> AppSettingKeys() {
    return KEYS;
}

const SettingKey* FindSettingKey(std::string_view key) {
    const auto found = std::find_if(std::begin(KEYS), std::end(KEYS),
                                    [key](const SettingKey& known) { return known.key == key; });
    return found == std::end(KEYS) ? nullptr : &*found;
}

std::string CheckSettingText(const SettingKey& key, std::string_view text) {
    if (!key.rules.range) {
        return {};
    }
    const auto value = ReadSettingNumber(text);
    if (!value || *value < static_cast<std::uint32_t>(key.rules.range->low) ||
        *value > static_cast<std::uint32_t>(key.rules.range->high)) {
        return Sjis(key.rules.refusal);
    }
    return {};
}

SettingTexts SettingTextsOf(const AppSettings& settings, SettingCli cli) {
    SettingTexts texts;
    for (const SettingKey& key : KEYS) {
        if (key.rules.cli == cli && key.rules.range) {
            texts.emplace(key.key, std::to_string(settings.*key.number));
        }
    }
    return texts;
}

std::string ApplySettingTexts(const SettingTexts& texts, SettingCli cli, AppSettings& settings) {
    AppSettings entered = settings;
    for (const SettingKey& key : KEYS) {
        if (key.rules.cli != cli || !key.rules.range) {
            continue;
        }
        const auto text = texts.find(key.key);
        const std::string_view typed = text == texts.end() ? std::string_view() : text->second;
        if (std::string refusal = CheckSettingText(key, typed); !refusal.empty()) {
            return refusal;
        }
        entered.*key.number = static_cast<std::int32_t>(*ReadSettingNumber(typed));
    }
    settings = entered;
    return {};
}

}  // namespace halvera
