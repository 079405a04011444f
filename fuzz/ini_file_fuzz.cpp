// Feeds arbitrary bytes as a settings file (Kelvane.ini, maclist.ini): the parser may not
// read out of bounds; a file written back parses the same; a key set reads back while every
// other key keeps its value; and the program's settings read from the file are held to
// their ranges and come back the same once saved.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ini_file.h"
#include "base/text_helpers.h"
#include "base/user_registry.h"
#include "fuzz_support.h"
#include "store/settings_files.h"
#include "store/settings_store.h"

namespace {

using namespace halvera;
using fuzz::Check;

using Entries = std::vector<std::pair<std::string, std::string>>;

constexpr std::string_view SECTIONS[] = {"INIT", "MAC"};

// Find gives the first of the entries with the key, whatever the case of its letters.
void CheckFind(const IniFile& ini, std::string_view section, const Entries& entries) {
    for (const auto& [key, value] : entries) {
        for (const auto& [first, firstValue] : entries) {
            if (EqualsNoCase(first, key)) {
                Check(ini.Find(section, key) == firstValue);
                break;
            }
        }
    }
}

bool Quoted(std::string_view value) {
    return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
           value.back() == value.front();
}

// What a reader makes of a value as it stands in a file: blanks around it dropped, one pair
// of matching quotes taken off.
std::string ReadBack(std::string_view written) {
    std::string_view value = Trim(written);
    return std::string(Quoted(value) ? value.substr(1, value.size() - 2) : value);
}

// A value that stands in a file as it is: on one line, without blanks around it or quotes
// that a reader would take off.
std::string PlainValue(std::string_view text) {
    std::string value(Trim(text.substr(0, text.find_first_of(std::string_view("\r\n", 2)))));
    while (Quoted(value)) {
        value.pop_back();
        value = std::string(Trim(value));
    }
    return value;
}

void CheckSet(IniFile ini, std::string_view key, const std::string& value) {
    ini.Set("INIT", key, value);
    const IniFile again = IniFile::Parse(ini.Serialize());
    Check(again.Find("INIT", key) == value);
    for (std::string_view section : SECTIONS) {
        for (const auto& [other, otherValue] : ini.Entries(section)) {
            if (section != "INIT" || !EqualsNoCase(other, key)) {
                Check(again.Find(section, other) == ini.Find(section, other));
            }
        }
    }
}

AppSettings Load(UserRegistry& registry) {
    fuzz::KeptErrorLog errorLog;
    fuzz::NoPrompt prompt;
    SettingsStore store;
    LoadSettings(store, registry, errorLog, prompt);
    return store.App();
}

AppSettings SaveAndLoad(const AppSettings& app, UserRegistry& registry) {
    SettingsStore store;
    store.SetApp(app);
    fuzz::KeptErrorLog errorLog;
    Check(SaveSettings(SAVE_APP_SETTINGS, store, registry, errorLog) == 0);
    return Load(registry);
}

// A key the file holds is held to its range; a missing one reads as 0, as it always has.
bool Held(const IniFile& ini, std::string_view key, std::int32_t value, std::int32_t low,
          std::int32_t high) {
    return ini.Find("INIT", key) ? value >= low && value <= high : value == 0;
}

void CheckSettings(const IniFile& ini, std::string_view content) {
    static const fuzz::FuzzFolder folder;
    folder.Enter();
    fuzz::WriteBytes(SettingsFilePath(), content);
    UserRegistry registry(folder.Path() / "absent.reg");
    const AppSettings read = Load(registry);
    Check(Held(ini, "TIMEOUT", read.TIMEOUT, 1, 60000) && Held(ini, "RETRY", read.RETRY, 0, 100) &&
          Held(ini, "ELISTMAX", read.ELISTMAX, 1, 65535) && read.SENDRATE >= 1 &&
          read.SENDRATE <= 100000 && read.ADPNAME.size() <= 255);
    // Once saved, the numbers come back as they were saved. The adapter name is written on
    // one line as it is, and read back as any value: blanks around it or quotes it stands
    // in are lost at each round, as with the profile files of old.
    const AppSettings saved = SaveAndLoad(read, registry);
    AppSettings again = SaveAndLoad(saved, registry);
    again.ADPNAME = saved.ADPNAME;
    Check(again == saved);
    Check(saved.ADPNAME == ReadBack(read.ADPNAME.substr(
                               0, read.ADPNAME.find_first_of(std::string_view("\r\n\0", 3)))));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const IniFile ini = IniFile::Parse(content);
    const std::string written = ini.Serialize();
    Check(IniFile::Parse(written).Serialize() == written);
    for (std::string_view section : SECTIONS) {
        CheckFind(ini, section, ini.Entries(section));
    }
    const std::string value = PlainValue(content.substr(content.size() / 2));
    for (std::string_view key : {"TIMEOUT", "timeout", "NEWKEY"}) {
        CheckSet(ini, key, value);
    }
    CheckSettings(ini, content);
    return 0;
}
