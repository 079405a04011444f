#include "store/settings_files.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/ini_file.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "store/settings_schema.h"

namespace halvera {
namespace {

constexpr std::string_view SECTION = "INIT";
constexpr std::string_view TAG_SETTINGS = "confd";
constexpr std::string_view TAG_REGISTRY = "regd";

// One registry value of the mail settings; "pop", the one number, has no text field.
struct MailValue {
    std::string_view name;
    std::string MailSettings::*text;
    std::size_t width;
};
constexpr MailValue SMTPSERVER{"smtpserver", &MailSettings::smtpserver, MAIL_SERVER_MAX};
constexpr MailValue ADRFROM{"adrfrom", &MailSettings::adrfrom, MAIL_ADDRESS_MAX};
constexpr MailValue ADRTO1{"adrto1", &MailSettings::adrto1, MAIL_ADDRESS_MAX};
constexpr MailValue ADRTO2{"adrto2", &MailSettings::adrto2, MAIL_ADDRESS_MAX};
constexpr MailValue ADRTO3{"adrto3", &MailSettings::adrto3, MAIL_ADDRESS_MAX};
constexpr MailValue POP{"pop", nullptr, 0};
constexpr MailValue POPSERVER{"popserver", &MailSettings::popserver, MAIL_SERVER_MAX};
constexpr MailValue USERID{"userid", &MailSettings::userid, MAIL_ACCOUNT_MAX};
constexpr MailValue PASSWARD{"passward", &MailSettings::passward, MAIL_ACCOUNT_MAX};
constexpr MailValue SUBJECT{"subject", &MailSettings::subject, MAIL_SUBJECT_MAX};

constexpr MailValue MAIL_READ_ORDER[] = {SMTPSERVER, ADRFROM, ADRTO1,   ADRTO2, ADRTO3,
                                         POPSERVER,  USERID,  PASSWARD, POP,    SUBJECT};
constexpr MailValue MAIL_WRITE_ORDER[] = {SMTPSERVER, ADRFROM,   ADRTO1, ADRTO2,   ADRTO3,
                                          POP,        POPSERVER, USERID, PASSWARD, SUBJECT};

// The values of the protected connection, added later: a file without them reads the
// defaults, and one beyond its range reads the default with an error-log line.
struct MailNumber {
    std::string_view name;
    std::int32_t MailSettings::*field;
    std::uint32_t high;
    std::uint32_t low = 0;
};
constexpr MailNumber SMTPPORT{"smtpport", &MailSettings::smtpport, 65535, 1};
constexpr MailNumber SECURITY{"security", &MailSettings::security, MAIL_SECURITY_TLS};
constexpr MailNumber SMTPAUTH{"smtpauth", &MailSettings::smtpauth, MAIL_AUTH_LOGIN};
constexpr MailNumber MAIL_NUMBERS_ADDED[] = {SMTPPORT, SECURITY, SMTPAUTH};
constexpr MailValue AUTHUSER{"authuser", &MailSettings::authuser, MAIL_AUTH_MAX};
constexpr MailValue AUTHPASS{"authpass", &MailSettings::authpass, MAIL_AUTH_MAX};
constexpr MailValue MAIL_TEXTS_ADDED[] = {AUTHUSER, AUTHPASS};

std::string ReadFailedMessage() {
    return Sjis("設定データの読込みに失敗しました");
}

std::string WriteFailedMessage() {
    return Sjis("設定データの書き込みに失敗しました");
}

// A text as one line of the settings file: a line end would start a new key.
std::string OneLine(std::string_view text, std::size_t mostBytes) {
    return std::string(
        CutCp932(text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3))), mostBytes));
}

// Reads every key; a missing key reads as 0, as it always has (one added later as its
// default), and a value outside its range is held to the range. Both are said once in the
// error log.
AppSettings ReadAppSettings(const IniFile& ini, ErrorLog& errorLog) {
    AppSettings app;
    std::string missing;
    for (const SettingKey& entry : AppSettingKeys()) {
        std::optional<std::string> value = ini.Find(SECTION, entry.key);
        if (!value && !entry.rules.addedLater) {
            missing += (missing.empty() ? "" : ", ") + std::string(entry.key);
        }
        if (entry.number == nullptr) {
            app.*entry.text = std::string(CutCp932(value.value_or("0"), entry.mostBytes));
            continue;
        }
        const std::int32_t number = value ? ParseIntLikeAtoi(*value) : 0;
        app.*entry.number =
            entry.rules.addedLater && number < 1 ? AppSettings{}.*entry.number : number;
    }
    if (!missing.empty()) {
        errorLog.WriteErrorLog(TAG_SETTINGS, "Kelvane.ini lacks " + missing + "; read as 0");
    }
    for (const SettingKey& entry : AppSettingKeys()) {
        if (!entry.rules.range || !ini.Find(SECTION, entry.key)) {
            continue;
        }
        const SettingRange range = *entry.rules.range;
        std::int32_t& value = app.*entry.number;
        if (value < range.low || value > range.high) {
            const std::int32_t held = value < range.low ? range.low : range.high;
            errorLog.WriteErrorLog(TAG_SETTINGS, "Kelvane.ini " + std::string(entry.key) + "=" +
                                                     std::to_string(value) + " is outside " +
                                                     std::to_string(range.low) + "-" +
                                                     std::to_string(range.high) + "; " +
                                                     std::to_string(held) + " is used");
            value = held;
        }
    }
    return app;
}

void ReadAddedMailValues(const UserRegistry& registry, ErrorLog& errorLog, MailSettings& mail) {
    const MailSettings defaults;
    for (const MailNumber& entry : MAIL_NUMBERS_ADDED) {
        std::optional<RegistryValue> value = registry.QueryValue(entry.name);
        const std::uint32_t* number = value ? std::get_if<std::uint32_t>(&*value) : nullptr;
        if (number != nullptr && *number >= entry.low && *number <= entry.high) {
            mail.*entry.field = static_cast<std::int32_t>(*number);
            continue;
        }
        mail.*entry.field = defaults.*entry.field;
        if (value) {
            errorLog.WriteErrorLog(
                TAG_REGISTRY, "mail setting " + std::string(entry.name) + " is not a number from " +
                                  std::to_string(entry.low) + " to " + std::to_string(entry.high) +
                                  "; the default is used");
        }
    }
    for (const MailValue& entry : MAIL_TEXTS_ADDED) {
        std::optional<RegistryValue> value = registry.QueryValue(entry.name);
        const std::string* text = value ? std::get_if<std::string>(&*value) : nullptr;
        mail.*entry.text = text != nullptr ? std::string(CutCp932(*text, entry.width)) : "";
    }
}

// Reads the mail values in their order; false at the first one that cannot be read.
bool ReadMailSettings(const UserRegistry& registry, ErrorLog& errorLog, MailSettings& mail) {
    for (const MailValue& entry : MAIL_READ_ORDER) {
        std::optional<RegistryValue> value = registry.QueryValue(entry.name);
        const std::string* text = value ? std::get_if<std::string>(&*value) : nullptr;
        const std::uint32_t* number = value ? std::get_if<std::uint32_t>(&*value) : nullptr;
        if (entry.text != nullptr ? text == nullptr : number == nullptr) {
            errorLog.WriteErrorLog(TAG_REGISTRY, "RegQueryValueEx error");
            return false;
        }
        if (entry.text != nullptr) {
            mail.*entry.text = std::string(CutCp932(*text, entry.width));
        } else if (*number != 0) {
            mail.pop = 1;
        }
    }
    ReadAddedMailValues(registry, errorLog, mail);
    return true;
}

int SaveAppSettings(const AppSettings& app, ErrorLog& errorLog) {
    std::filesystem::path path = SettingsFilePath();
    IniFile ini = IniFile::Load(path);
    for (const SettingKey& entry : AppSettingKeys()) {
        ini.Set(SECTION, entry.key,
                entry.number == nullptr ? OneLine(app.*entry.text, entry.mostBytes)
                                        : std::to_string(app.*entry.number));
    }
    if (ini.Save(path)) {
        return 0;
    }
    errorLog.WriteErrorLog(TAG_SETTINGS, WriteFailedMessage());
    return 1;
}

bool WriteMailSettings(const MailSettings& mail, UserRegistry& registry, ErrorLog& errorLog) {
    if (!registry.CreateKey()) {
        errorLog.WriteErrorLog(TAG_REGISTRY, "RegCreateKeyEx error");
        return false;
    }
    std::vector<std::pair<std::string_view, RegistryValue>> values;
    for (const MailValue& entry : MAIL_WRITE_ORDER) {
        values.emplace_back(
            entry.name, entry.text != nullptr
                            ? RegistryValue(std::string(CutCp932(mail.*entry.text, entry.width)))
                            : RegistryValue(static_cast<std::uint32_t>(mail.pop != 0 ? 1 : 0)));
    }
    for (const MailNumber& entry : MAIL_NUMBERS_ADDED) {
        values.emplace_back(entry.name, static_cast<std::uint32_t>(mail.*entry.field));
    }
    for (const MailValue& entry : MAIL_TEXTS_ADDED) {
        values.emplace_back(entry.name, std::string(CutCp932(mail.*entry.text, entry.width)));
    }
    for (const auto& [name, value] : values) {
        if (!registry.SetValue(name, value)) {
            errorLog.WriteErrorLog(TAG_REGISTRY, "RegSetValueEx error");
            return false;
        }
    }
    return true;
}

int SaveMailSettings(const MailSettings& mail, UserRegistry& registry, ErrorLog& errorLog) {
    bool written = WriteMailSettings(mail, registry, errorLog);
    registry.CloseKey();
    if (written) {
        return 0;
    }
    errorLog.WriteErrorLog(TAG_SETTINGS, WriteFailedMessage());
    return 1;
}

}  // namespace

std::filesystem::path SettingsFilePath() {
    return DataFolder() / "Kelvane.ini";
}

void LoadSettings(SettingsStore& store, UserRegistry& registry, ErrorLog& errorLog,
                  Prompt& prompt) {
    std::filesystem::path path = SettingsFilePath();
    MailSettings mail = store.Mail();
    if (!std::ifstream(path).is_open()) {
        store.SetApp(AppSettings{});
        for (const MailValue& entry : MAIL_READ_ORDER) {
            if (entry.text != nullptr) {
                (mail.*entry.text).clear();
            }
        }
        const MailSettings defaults;
        for (const MailNumber& entry : MAIL_NUMBERS_ADDED) {
            mail.*entry.field = defaults.*entry.field;
        }
        for (const MailValue& entry : MAIL_TEXTS_ADDED) {
            (mail.*entry.text).clear();
        }
        store.SetMail(mail);
        return;
    }
    store.SetApp(ReadAppSettings(IniFile::Load(path), errorLog));

    if (!registry.OpenKey()) {
        return;
    }
    bool complete = ReadMailSettings(registry, errorLog, mail);
    registry.CloseKey();
    store.SetMail(mail);
    if (!complete) {
        ShowStop(prompt, ReadFailedMessage() + Sjis("。"));
        errorLog.WriteErrorLog(TAG_SETTINGS, ReadFailedMessage());
    }
}

int SaveSettings(int mode, const SettingsStore& store, UserRegistry& registry, ErrorLog& errorLog) {
    switch (mode) {
        case SAVE_APP_SETTINGS:
            return SaveAppSettings(store.App(), errorLog);
        case SAVE_MAIL_SETTINGS:
            return SaveMailSettings(store.Mail(), registry, errorLog);
        default:
            return 0;
    }
}

}  // namespace halvera
