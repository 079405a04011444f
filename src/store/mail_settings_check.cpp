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
    return {};
}

}  // namespace halvera
