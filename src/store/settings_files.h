#pragma once

#include <filesystem>

#include "base/user_registry.h"
#include "lists/error_log.h"
#include "lists/prompt.h"
#include "store/settings_store.h"

namespace halvera {

// Modes of SaveSettings; any other mode does nothing.
inline constexpr int SAVE_APP_SETTINGS = 0;   // AppSettings to Kelvane.ini
inline constexpr int SAVE_MAIL_SETTINGS = 2;  // MailSettings to the user's registry

// Kelvane.ini in the program folder.
std::filesystem::path SettingsFilePath();

// Fills the store from Kelvane.ini and the user's registry, once at start-up. Without the
// settings file every setting takes its default and the mail texts are cleared (the registry
// is not read); a key missing from an existing file reads as 0 (ADPNAME as "0"). A missing
// registry key leaves the mail settings as they are. A mail value that cannot be read stops
// the reading (the values before it stay) with a message box and a "confd" line.
void LoadSettings(SettingsStore& store, UserRegistry& registry, ErrorLog& errorLog, Prompt& prompt);

// Writes one group of settings. Result 0 on success (and for a mode that does nothing), 1
// when the file or the registry could not be written; the failure is logged as "confd".
int SaveSettings(int mode, const SettingsStore& store, UserRegistry& registry, ErrorLog& errorLog);

}  // namespace halvera
