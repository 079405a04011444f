#include "store/mail_settings_check.h"

#include "base/text_codec.h"

namespace halvera {
namespace {

// One text field of the mail settings with its limit and its messages (UTF-8); an empty
// "missing" message means the field may stay empty.
struct MailTextField {
    std::string MailSettings::*field;
    std::size_t limit;
    const char* tooLong;
    const char* missing;
};

const MailTextField SMTP_SERVER{&MailSettings::smtpserver, MAIL_SERVER_MAX,
                                "smtpサーバーのデータサイズが不正です。(36Byteまで)",
                                "smtpサーバーを設定してください。"};
const MailTextField SENDER{&MailSettings::adrfrom, MAIL_ADDRESS_MAX,
                           "メールアドレス（送信元）のデータサイズが不正です。(128Byteまで)",
                           "メールアドレス（送信元）を設定してください。"};
const MailTextField RECIPIENTS[] = {
    {&MailSettings::adrto1, MAIL_ADDRESS_MAX,
     "メールアドレス（送信先１）のデータサイズが不正です。(128Byteまで)", ""},
    {&MailSettings::adrto2, MAIL_ADDRESS_MAX,
     "メールアドレス（送信先２）のデータサイズが不正です。(128Byteまで)", ""},
    {&MailSettings::adrto3, MAIL_ADDRESS_MAX,
     "メールアドレス（送信先３）のデータサイズが不正です。(128Byteまで)", ""},
};
const MailTextField POP_SERVER{&MailSettings::popserver, MAIL_SERVER_MAX,
                               "POPサーバーのデータサイズが不正です。(36Byteまで)",
                               "POPサーバーを設定してください。"};
const MailTextField AFTER_POP_SERVER[] = {
    {&MailSettings::userid, MAIL_ACCOUNT_MAX, "ユーザIDのデータサイズが不正です。(36Byteまで)", ""},
    {&MailSettings::passward, MAIL_ACCOUNT_MAX, "パスワードのデータサイズが不正です。(36Byteまで)",
     ""},
    {&MailSettings::subject, MAIL_SUBJECT_MAX, "件名のデータサイズが不正です。(128Byteまで)", ""},
};

// The settings of the protected connection, after the original fields.
const MailTextField AUTH_USER{&MailSettings::authuser, MAIL_AUTH_MAX,
                              "認証ユーザー名のデータサイズが不正です。(128Byteまで)",
                              "認証ユーザー名を設定してください。"};
const MailTextField AUTH_PASSWORD{&MailSettings::authpass, MAIL_AUTH_MAX,
                                  "認証パスワードのデータサイズが不正です。(128Byteまで)", ""};

struct MailNumberField {
    std::int32_t MailSettings::*field;
    std::int32_t low;
    std::int32_t high;
    const char* outOfRange;
};
const MailNumberField CONNECTION_NUMBERS[] = {
    {&MailSettings::smtpport, 1, 65535, "SMTPポート番号は1～65535の範囲で設定してください。"},
    {&MailSettings::security, MAIL_SECURITY_NONE, MAIL_SECURITY_TLS,
     "接続の保護の設定が不正です。"},
    {&MailSettings::smtpauth, MAIL_AUTH_NONE, MAIL_AUTH_LOGIN, "SMTP認証の設定が不正です。"},
};

// Checks one field and copies it when it passes; the message otherwise.
std::string TakeField(const MailTextField& check, bool mustBeSet, const MailSettings& entry,
                      MailSettings& settings) {
    const std::string& text = entry.*check.field;
    if (text.size() > check.limit) {
        return Sjis(check.tooLong);
    }
    if (mustBeSet && text.empty()) {
        return Sjis(check.missing);
    }
    settings.*check.field = text;
    return {};
}

}  // namespace

std::string StoreMailSettings(const MailSettings& entry, int required, MailSettings& settings) {
    const bool sending = required == MAIL_CHECK_FOR_SENDING;
    for (const MailTextField* check : {&SMTP_SERVER, &SENDER}) {
        if (std::string refusal = TakeField(*check, sending, entry, settings); !refusal.empty()) {
            return refusal;
        }
    }
    for (const MailTextField& check : RECIPIENTS) {
        if (std::string refusal = TakeField(check, false, entry, settings); !refusal.empty()) {
            return refusal;
        }
    }
    if (sending && entry.adrto1.empty() && entry.adrto2.empty() && entry.adrto3.empty()) {
        return Sjis("メールアドレス（送信先）を設定してください。");
    }
    settings.pop = entry.pop != 0 ? 1 : 0;
    if (std::string refusal = TakeField(POP_SERVER, sending && settings.pop == 1, entry, settings);
        !refusal.empty()) {
        return refusal;
    }
    for (const MailTextField& check : AFTER_POP_SERVER) {
        if (std::string refusal = TakeField(check, false, entry, settings); !refusal.empty()) {
            return refusal;
        }
    }
    for (const MailNumberField& check : CONNECTION_NUMBERS) {
        const std::int32_t value = entry.*check.field;
        if (value < check.low || value > check.high) {
            return Sjis(check.outOfRange);
        }
        settings.*check.field = value;
    }
    const bool authenticating = sending && settings.smtpauth != MAIL_AUTH_NONE;
    if (std::string refusal = TakeField(AUTH_USER, authenticating, entry, settings);
        !refusal.empty()) {
        return refusal;
    }
    return TakeField(AUTH_PASSWORD, false, entry, settings);
}

}  // namespace halvera
