#include "store/mail_settings_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/text_codec.h"

namespace halvera {
namespace {

// The settings in memory before a check: every field set, so that a copied field shows.
MailSettings Stored() {
    MailSettings s;
    s.smtpserver = "old-smtp";
    s.adrfrom = "old-from";
    s.adrto1 = "old-to1";
    s.adrto2 = "old-to2";
    s.adrto3 = "old-to3";
    s.pop = 1;
    s.popserver = "old-pop";
    s.userid = "old-user";
    s.passward = "old-pass";
    s.subject = "old-subject";
    s.smtpport = 2525;
    s.security = MAIL_SECURITY_TLS;
    s.smtpauth = MAIL_AUTH_PLAIN;
    s.authuser = "old-auth-user";
    s.authpass = "old-auth-pass";
    return s;
}

// A complete entry as a test send needs it.
MailSettings Entered() {
    MailSettings s;
    s.smtpserver = "smtp.example.com";
    s.adrfrom = "halvera@example.com";
    s.adrto1 = "admin@example.com";
    s.pop = 0;
    s.subject = Sjis("検出");
    return s;
}

// Text of n bytes in CP932: ASCII, or two-byte characters with an ASCII byte to fill.
std::string Bytes(std::size_t n, bool japanese = false) {
    if (!japanese) {
        return std::string(n, 'a');
    }
    std::string text;
    while (text.size() + 2 <= n) {
        text += Sjis("あ");
    }
    return text + std::string(n - text.size(), 'a');
}

// The fields in the order the checks take them.
const std::vector<std::pair<const char*, std::string MailSettings::*>> FIELDS = {
    {"smtpserver", &MailSettings::smtpserver}, {"adrfrom", &MailSettings::adrfrom},
    {"adrto1", &MailSettings::adrto1},         {"adrto2", &MailSettings::adrto2},
    {"adrto3", &MailSettings::adrto3},         {"popserver", &MailSettings::popserver},
    {"userid", &MailSettings::userid},         {"passward", &MailSettings::passward},
    {"subject", &MailSettings::subject}};

TEST(StoreMailSettings, ChecksFieldByFieldAndKeepsWhatPassedBeforeARefusal) {
    struct Case {
        const char* name;
        std::function<void(MailSettings&)> edit;
        int required;
        const char* message;     // empty: every field passes
        const char* firstKept;   // the first field that keeps its old value; null: none
        bool popCopied = false;  // whether the POP flag was taken (it comes after the recipients)
    };
    const Case cases[] = {
        {"complete, for sending", [](MailSettings&) {}, 1, "", nullptr, true},
        {"every field empty, for OK", [](MailSettings& s) { s = {}; }, 0, "", nullptr, true},
        {"every field at its limit",
         [](MailSettings& s) {
             s.smtpserver = Bytes(36);
             s.adrfrom = Bytes(128);
             s.adrto1 = s.adrto2 = s.adrto3 = Bytes(128, true);
             s.popserver = s.userid = s.passward = Bytes(36, true);
             s.subject = Bytes(128, true);
         },
         1, "", nullptr, true},
        {"37-byte SMTP server, for OK", [](MailSettings& s) { s.smtpserver = Bytes(37); }, 0,
         "smtpサーバーのデータサイズが不正です。(36Byteまで)", "smtpserver"},
        {"19 Japanese characters of SMTP server",
         [](MailSettings& s) { s.smtpserver = Bytes(38, true); }, 0,
         "smtpサーバーのデータサイズが不正です。(36Byteまで)", "smtpserver"},
        {"empty SMTP server, for sending", [](MailSettings& s) { s.smtpserver.clear(); }, 1,
         "smtpサーバーを設定してください。", "smtpserver"},
        {"129-byte sender", [](MailSettings& s) { s.adrfrom = Bytes(129); }, 0,
         "メールアドレス（送信元）のデータサイズが不正です。(128Byteまで)", "adrfrom"},
        {"empty sender, for sending", [](MailSettings& s) { s.adrfrom.clear(); }, 1,
         "メールアドレス（送信元）を設定してください。", "adrfrom"},
        {"empty sender, for OK", [](MailSettings& s) { s.adrfrom.clear(); }, 0, "", nullptr, true},
        {"129-byte recipient 1", [](MailSettings& s) { s.adrto1 = Bytes(129); }, 0,
         "メールアドレス（送信先１）のデータサイズが不正です。(128Byteまで)", "adrto1"},
        {"129-byte recipient 2", [](MailSettings& s) { s.adrto2 = Bytes(129, true); }, 1,
         "メールアドレス（送信先２）のデータサイズが不正です。(128Byteまで)", "adrto2"},
        {"129-byte recipient 3", [](MailSettings& s) { s.adrto3 = Bytes(129); }, 0,
         "メールアドレス（送信先３）のデータサイズが不正です。(128Byteまで)", "adrto3"},
        {"no recipient, for sending", [](MailSettings& s) { s.adrto1.clear(); }, 1,
         "メールアドレス（送信先）を設定してください。", "popserver"},
        {"only recipient 3, for sending",
         [](MailSettings& s) {
             s.adrto1.clear();
             s.adrto3 = "night@example.com";
         },
         1, "", nullptr, true},
        {"POP on without a server, for sending",
         [](MailSettings& s) {
             s.pop = 1;
             s.popserver.clear();
         },
         1, "POPサーバーを設定してください。", "popserver", true},
        {"POP off without a server, for sending", [](MailSettings& s) { s.popserver.clear(); }, 1,
         "", nullptr, true},
        {"POP on without a server, for OK",
         [](MailSettings& s) {
             s.pop = 1;
             s.popserver.clear();
         },
         0, "", nullptr, true},
        {"37-byte POP server", [](MailSettings& s) { s.popserver = Bytes(37); }, 0,
         "POPサーバーのデータサイズが不正です。(36Byteまで)", "popserver", true},
        {"37-byte user ID", [](MailSettings& s) { s.userid = Bytes(37, true); }, 0,
         "ユーザIDのデータサイズが不正です。(36Byteまで)", "userid", true},
        {"37-byte password", [](MailSettings& s) { s.passward = Bytes(37); }, 1,
         "パスワードのデータサイズが不正です。(36Byteまで)", "passward", true},
        {"129-byte subject", [](MailSettings& s) { s.subject = Bytes(129, true); }, 0,
         "件名のデータサイズが不正です。(128Byteまで)", "subject", true},
        // The first refusal in the order wins.
        {"long subject and empty SMTP server, for sending",
         [](MailSettings& s) {
             s.smtpserver.clear();
             s.subject = Bytes(129);
         },
         1, "smtpサーバーを設定してください。", "smtpserver"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MailSettings entry = Entered();
        c.edit(entry);
        const MailSettings before = Stored();
        MailSettings settings = before;

        EXPECT_EQ(StoreMailSettings(entry, c.required, settings), Sjis(c.message));

        bool kept = false;
        for (const auto& [name, field] : FIELDS) {
            kept = kept || (c.firstKept != nullptr && std::string(name) == c.firstKept);
            EXPECT_EQ(settings.*field, kept ? before.*field : entry.*field) << name;
        }
        EXPECT_EQ(settings.pop, c.popCopied ? entry.pop : before.pop);
    }
}

TEST(StoreMailSettings, TheProtectedConnectionIsCheckedAfterTheSpecifiedFields) {
    struct Case {
        const char* name;
        std::function<void(MailSettings&)> edit;
        int required;
        const char* message;  // empty: every field passes
        int numbersCopied;    // how many of port, security and authentication were taken
        bool userCopied;
    };
    auto submission = [](MailSettings& s) {
        s.smtpport = 587;
        s.security = MAIL_SECURITY_STARTTLS;
        s.smtpauth = MAIL_AUTH_LOGIN;
        s.authuser = "alice@example.com";
        s.authpass = "secret";
    };
    const Case cases[] = {
        {"submission with STARTTLS and AUTH LOGIN, for sending", submission, 1, "", 3, true},
        {"port 65535", [](MailSettings& s) { s.smtpport = 65535; }, 1, "", 3, true},
        {"port 0", [](MailSettings& s) { s.smtpport = 0; }, 0,
         "SMTPポート番号は1～65535の範囲で設定してください。", 0, false},
        {"port 65536", [](MailSettings& s) { s.smtpport = 65536; }, 0,
         "SMTPポート番号は1～65535の範囲で設定してください。", 0, false},
        {"security 3", [](MailSettings& s) { s.security = 3; }, 0, "接続の保護の設定が不正です。",
         1, false},
        {"authentication -1", [](MailSettings& s) { s.smtpauth = -1; }, 0,
         "SMTP認証の設定が不正です。", 2, false},
        {"authentication without a user, for sending",
         [](MailSettings& s) { s.smtpauth = MAIL_AUTH_PLAIN; }, 1,
         "認証ユーザー名を設定してください。", 3, false},
        {"authentication without a user, for OK",
         [](MailSettings& s) { s.smtpauth = MAIL_AUTH_PLAIN; }, 0, "", 3, true},
        {"129-byte user", [](MailSettings& s) { s.authuser = Bytes(129, true); }, 0,
         "認証ユーザー名のデータサイズが不正です。(128Byteまで)", 3, false},
        {"129-byte password",
         [](MailSettings& s) {
             s.authuser = Bytes(128, true);
             s.authpass = Bytes(129);
         },
         0, "認証パスワードのデータサイズが不正です。(128Byteまで)", 3, true},
        // A refusal among the specified fields comes first.
        {"long subject and port 0",
         [](MailSettings& s) {
             s.subject = Bytes(129);
             s.smtpport = 0;
         },
         0, "件名のデータサイズが不正です。(128Byteまで)", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MailSettings entry = Entered();
        entry.smtpport = 1;
        c.edit(entry);
        const MailSettings before = Stored();
        MailSettings settings = before;

        EXPECT_EQ(StoreMailSettings(entry, c.required, settings), Sjis(c.message));

        int taken = 0;
        for (auto field :
             {&MailSettings::smtpport, &MailSettings::security, &MailSettings::smtpauth}) {
            EXPECT_EQ(settings.*field, taken++ < c.numbersCopied ? entry.*field : before.*field);
        }
        EXPECT_EQ(settings.authuser, c.userCopied ? entry.authuser : before.authuser);
        const bool passwordCopied = c.message[0] == '\0';
        EXPECT_EQ(settings.authpass, passwordCopied ? entry.authpass : before.authpass);
    }
}

}  // namespace
}  // namespace halvera
