#include "store/settings_schema.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/text_codec.h"

// The settings schema is the one place a key of Kelvane.ini is described; a row that lacks
// what its other columns promise would fail only when a user meets it.
namespace halvera {
namespace {

TEST(SettingsSchema, EveryRowHoldsWhatItsColumnsPromise) {
    const AppSettings defaults;
    std::set<std::string_view> names;
    for (const SettingKey& key : AppSettingKeys()) {
        const std::string name(key.key);
        EXPECT_TRUE(names.insert(key.key).second) << name << " has two rows";
        EXPECT_EQ(FindSettingKey(key.key), &key) << name;
        EXPECT_NE(key.number == nullptr, key.text == nullptr) << name;
        if (key.text != nullptr) {
            EXPECT_GT(key.mostBytes, 0u) << name;
            EXPECT_FALSE(key.rules.range) << name;
            continue;
        }
        // A dialog and halvera-cli enter a key by its range: one they show without one
        // would take any number unchecked.
        EXPECT_EQ(key.rules.cli != SettingCli::None, key.rules.range.has_value()) << name;
        if (key.rules.range) {
            const SettingRange range = *key.rules.range;
            EXPECT_LE(range.low, range.high) << name;
            EXPECT_GE(range.low, 0) << name << ": entered numbers have no sign";
            // The default is what a file without the key reads; holding it would log a line.
            EXPECT_GE(defaults.*key.number, range.low) << name;
            EXPECT_LE(defaults.*key.number, range.high) << name;
            ASSERT_NE(key.rules.refusal, nullptr) << name;
            EXPECT_EQ(CheckSettingText(key, std::to_string(range.high + 1)),
                      Sjis(key.rules.refusal))
                << name;
            EXPECT_EQ(CheckSettingText(key, std::to_string(range.low)), "") << name;
        }
        if (key.rules.summary != nullptr) {
            EXPECT_NE(key.rules.unit, nullptr) << name;
        }
        // A key added later reads its default when missing or below 1.
        if (key.rules.addedLater) {
            EXPECT_GE(defaults.*key.number, 1) << name;
        }
    }
    EXPECT_EQ(FindSettingKey("NOSUCHKEY"), nullptr);
}

TEST(SettingsSchema, EnteredNumbersAreStoredOnlyWhenEveryOnePasses) {
    AppSettings settings;
    SettingTexts texts = SettingTextsOf(settings, SettingCli::Settings);
    for (const auto& [key, text] : texts) {
        EXPECT_EQ(text, std::to_string(settings.*FindSettingKey(key)->number)) << key;
    }
    // One refused number keeps every other from being taken.
    texts.begin()->second = "7";
    texts.rbegin()->second = "-1";
    const AppSettings before = settings;
    EXPECT_FALSE(ApplySettingTexts(texts, SettingCli::Settings, settings).empty());
    EXPECT_EQ(settings, before);
    texts.rbegin()->second = " 20 ";
    EXPECT_EQ(ApplySettingTexts(texts, SettingCli::Settings, settings), "");
    EXPECT_EQ(settings.*FindSettingKey(texts.begin()->first)->number, 7);
    EXPECT_EQ(settings.*FindSettingKey(texts.rbegin()->first)->number, 20);
    // A text the entry lacks is refused, not read as 0.
    texts.erase(texts.begin());
    EXPECT_FALSE(ApplySettingTexts(texts, SettingCli::Settings, settings).empty());
}

}  // namespace
}  // namespace halvera
