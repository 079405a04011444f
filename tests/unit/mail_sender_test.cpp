#include "events/mail_sender.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/text_codec.h"
#include "support/fake_mail_queue.h"
#include "support/fixed_clock.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/scripted_mail_server.h"

namespace halvera {
namespace {

using test::ScriptedMailServer;
using namespace std::chrono_literals;

MailSettings BaseSettings() {
    MailSettings settings;
    settings.smtpserver = "127.0.0.1";
    settings.adrfrom = "halvera@example.com";
    settings.adrto1 = "admin@example.com";
    settings.popserver = "127.0.0.1";
    settings.userid = "alice";
    settings.passward = "secret";
    settings.subject = "Halvera";
    return settings;
}

std::string Lines(std::initializer_list<std::string> lines) {
    std::string out;
    for (const auto& line : lines) {
        out += line + "\r\n";
    }
    return out;
}

// The header block of every case: FixedClock's moment carries no offset from UTC.
std::string Header(const std::string& to) {
    return Lines({"Date: Fri, 01 Apr 2005 09:05:00 +0000", "From: halvera@example.com", "To: " + to,
                  "Subject: Halvera", "MIME-Version: 1.0",
                  "Content-Type: text/plain; charset=\"ISO-2022-JP\"",
                  "Content-Transfer-Encoding: 7bit", "X-Mailer: Lattisk2", ""});
}

const std::vector<std::string> QUEUE_LINES = {Sjis("新規ノード 10.0.0.5\n"), Sjis("ノード停止\r\n"),
                                              ".\n", "cr\rinside\n"};
// The queue lines on the wire: ISO-2022-JP, ASCII mode before every line end, the lone dot
// doubled, the stray CR a blank.
const std::string QUEUE_BODY =
    "\x1B$B?75,%N!<%I\x1B(B 10.0.0.5\r\n\x1B$B%N!<%IDd;_\x1B(B\r\n..\r\ncr inside\r\n";
const std::string TEST_MAIL_BODY = "\x1B$B%F%9%H%a!<%k\x1B(B";

const std::vector<std::string> SMTP_OK = {"220 mail.example.com ESMTP\r\n",
                                          "250 mail.example.com\r\n",
                                          "250 2.0.0 Reset\r\n",
                                          "250 2.1.0 Sender ok\r\n",
                                          "250 2.1.5 Recipient ok\r\n",
                                          "354 End data with <CR><LF>.<CR><LF>\r\n",
                                          "250 2.0.0 Queued\r\n",
                                          "221 2.0.0 Bye\r\n"};

std::vector<std::string> Replace(std::vector<std::string> script, std::size_t index,
                                 std::string entry) {
    script.resize(index + 1);
    script[index] = std::move(entry);
    return script;
}

const std::string DIALOGUE_TO_DATA = Lines(
    {"HELO home", "RSET", "MAIL FROM:halvera@example.com", "RCPT TO:admin@example.com", "DATA"});

const std::string DIALOGUE_AFTER_HELO =
    DIALOGUE_TO_DATA.substr(std::string("HELO home\r\n").size());

// A server that answers EHLO with `ehlo` and the extension steps with `steps`, then as SMTP_OK
// from RSET on.
std::vector<std::string> Extended(const std::string& ehlo, std::vector<std::string> steps) {
    std::vector<std::string> script = {SMTP_OK[0], ehlo};
    script.insert(script.end(), steps.begin(), steps.end());
    if (steps.empty() || steps.back().starts_with("235")) {
        script.insert(script.end(), SMTP_OK.begin() + 2, SMTP_OK.end());
    }
    return script;
}

std::function<void(MailSettings&)> LogIn(std::int32_t mechanism) {
    return [mechanism](MailSettings& s) {
        s.smtpauth = mechanism;
        s.authuser = "alice";
        s.authpass = "secret";
    };
}

struct DialogueCase {
    const char* name;
    int interactive;
    std::function<void(MailSettings&)> change;
    std::vector<std::string> popScript;  // empty: no POP server
    std::vector<std::string> smtpScript;
    std::chrono::milliseconds replyLimit;
    int result;
    std::string popTranscript;
    std::optional<std::string> smtpTranscript;  // nothing: no SMTP connection at all
    std::vector<std::string> boxes;             // UTF-8
    std::vector<std::string> logs;              // UTF-8, tag "maild"
};

void NoChange(MailSettings&) {}

std::vector<DialogueCase> Cases() {
    const std::string fullMail = Header("admin@example.com") + QUEUE_BODY + "\r\n.\r\n";
    return {
        {"queued event lines, byte for byte",
         0,
         NoChange,
         {},
         SMTP_OK,
         5s,
         0,
         "",
         DIALOGUE_TO_DATA + fullMail + "QUIT\r\n",
         {},
         {}},
        {"test mail",
         1,
         NoChange,
         {},
         SMTP_OK,
         5s,
         0,
         "",
         DIALOGUE_TO_DATA + Header("admin@example.com") + TEST_MAIL_BODY + "\r\n.\r\nQUIT\r\n",
         {},
         {}},
        {"recipients in slots 1 and 3",
         0,
         [](MailSettings& s) { s.adrto3 = "night@example.com"; },
         {},
         [] {
             auto script = SMTP_OK;
             script.insert(script.begin() + 5, "250 2.1.5 Recipient ok\r\n");
             return script;
         }(),
         5s,
         0,
         "",
         Lines({"HELO home", "RSET", "MAIL FROM:halvera@example.com", "RCPT TO:admin@example.com",
                "RCPT TO:night@example.com", "DATA"}) +
             Header("admin@example.com,\r\n night@example.com") + QUEUE_BODY + "\r\n.\r\nQUIT\r\n",
         {},
         {}},
        {"multi-line replies are answered once",
         0,
         NoChange,
         {},
         [] {
             auto script = SMTP_OK;
             script[0] = "220-mail.example.com ESMTP\r\n220-no spam\r\n220 ready\r\n";
             script[1] = "250-mail.example.com\r\n250-PIPELINING\r\n250 8BITMIME\r\n";
             return script;
         }(),
         5s,
         0,
         "",
         DIALOGUE_TO_DATA + fullMail + "QUIT\r\n",
         {},
         {}},
        {"5xx after the data ends the delivery without QUIT",
         1,
         NoChange,
         {},
         Replace(SMTP_OK, 6, "554 5.7.1 Message rejected\r\n"),
         5s,
         1,
         "",
         DIALOGUE_TO_DATA + Header("admin@example.com") + TEST_MAIL_BODY + "\r\n.\r\n",
         {"エラーコード：554 5.7.1 Message rejected\n"
          "トランザクションが失敗しました。またはSMTPサービスがありません。"},
         {"エラーコード：554 トランザクションが失敗しました。またはSMTPサービスがありません。"}},
        {"a refusal is silent when not interactive",
         0,
         NoChange,
         {},
         Replace(SMTP_OK, 4, "550 5.1.1 No such user\r\n"),
         5s,
         1,
         "",
         DIALOGUE_TO_DATA.substr(0, DIALOGUE_TO_DATA.size() - 6),
         {},
         {}},
        {"a server that closes the connection",
         1,
         NoChange,
         {},
         Replace(SMTP_OK, 1, ScriptedMailServer::CLOSE),
         5s,
         1,
         "",
         "HELO home\r\n",
         {"SMTPサーバー通信中に受信エラーが発生しました。"},
         {"SMTPサーバー通信中に受信エラーが発生しました"}},
        {"a server that never answers",
         1,
         NoChange,
         {},
         {ScriptedMailServer::SILENT},
         200ms,
         1,
         "",
         "",
         {"SMTPサーバー通信中に受信エラーが発生しました。"},
         {"SMTPサーバー通信中に受信エラーが発生しました"}},
        {"POP before SMTP",
         0,
         [](MailSettings& s) { s.pop = 1; },
         {"+OK Dovecot ready.\r\n", "+OK\r\n", "+OK Logged in.\r\n", "+OK Logging out.\r\n"},
         SMTP_OK,
         5s,
         0,
         Lines({"USER alice", "PASS secret", "QUIT"}),
         DIALOGUE_TO_DATA + fullMail + "QUIT\r\n",
         {},
         {}},
        {"a wrong POP password makes no SMTP connection",
         1,
         [](MailSettings& s) {
             s.pop = 1;
             s.passward = "wrong";
         },
         {"+OK ready\r\n", "+OK\r\n", "-ERR [AUTH] Authentication failed.\r\n"},
         SMTP_OK,
         5s,
         1,
         Lines({"USER alice", "PASS wrong"}),
         std::nullopt,
         {"パスワードの認証に失敗しました。"},
         {"パスワードの認証に失敗しました"}},
        {"a POP server that is not ready",
         1,
         [](MailSettings& s) { s.pop = 1; },
         {"-ERR busy\r\n"},
         SMTP_OK,
         5s,
         1,
         "",
         std::nullopt,
         {"POPサーバーのサービスが利用可能ではありません。"},
         {"POPサーバーのサービスが利用可能ではありません"}},
        {"an SMTP server name that does not resolve",
         1,
         [](MailSettings& s) { s.smtpserver = ""; },
         {},
         SMTP_OK,
         5s,
         1,
         "",
         std::nullopt,
         {"SMTPサーバーの名前解決に失敗しました。\n"
          "SMTPサーバーアドレス、または、DNSサーバーの設定を確認してください"},
         {"SMTPサーバーの名前解決に失敗しました"}},
        {"a POP server that refuses the connection",
         1,
         [](MailSettings& s) { s.pop = 1; },
         {},
         SMTP_OK,
         5s,
         1,
         "",
         std::nullopt,
         {"POPサーバーに接続できませんでした。\n"
          "POPサーバーアドレス、または、DNSサーバーの設定を確認してください"},
         {"POPサーバーに接続できませんでした"}},
        {"AUTH PLAIN after EHLO",
         0,
         LogIn(MAIL_AUTH_PLAIN),
         {},
         Extended("250-mail.example.com\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n",
                  {"235 2.7.0 Authentication successful\r\n"}),
         5s,
         0,
         "",
         Lines({"EHLO home", "AUTH PLAIN AGFsaWNlAHNlY3JldA=="}) + DIALOGUE_AFTER_HELO + fullMail +
             "QUIT\r\n",
         {},
         {}},
        {"AUTH LOGIN offered in the old AUTH= form",
         0,
         LogIn(MAIL_AUTH_LOGIN),
         {},
         Extended("250-mail.example.com\r\n250 AUTH=LOGIN\r\n",
                  {"334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", "235 2.7.0 Accepted\r\n"}),
         5s,
         0,
         "",
         Lines({"EHLO home", "AUTH LOGIN", "YWxpY2U=", "c2VjcmV0"}) + DIALOGUE_AFTER_HELO +
             fullMail + "QUIT\r\n",
         {},
         {}},
        {"a wrong password shows the server's reply",
         1,
         LogIn(MAIL_AUTH_PLAIN),
         {},
         Extended("250-mail.example.com\r\n250 AUTH PLAIN\r\n",
                  {"535 5.7.8 Authentication credentials invalid\r\n"}),
         5s,
         1,
         "",
         Lines({"EHLO home", "AUTH PLAIN AGFsaWNlAHNlY3JldA=="}),
         {"エラーコード：535 5.7.8 Authentication credentials invalid\n認証が拒否されました。"},
         {"エラーコード：535 認証が拒否されました。"}},
        {"a mechanism the server does not offer is not tried",
         1,
         LogIn(MAIL_AUTH_LOGIN),
         {},
         Extended("250-mail.example.com\r\n250 AUTH PLAIN CRAM-MD5\r\n", {}),
         5s,
         1,
         "",
         "EHLO home\r\n",
         {"SMTPサーバーがAUTH LOGINに対応していないため、送信を中止しました。"},
         {"SMTPサーバーがAUTH LOGINに対応していないため、送信を中止しました"}},
        {"STARTTLS asked for but not offered: refused, never sent plain",
         1,
         [](MailSettings& s) { s.security = MAIL_SECURITY_STARTTLS; },
         {},
         Extended("250-mail.example.com\r\n250-STARTTLSX\r\n250 8BITMIME\r\n", {}),
         5s,
         1,
         "",
         "EHLO home\r\n",
         {"SMTPサーバーがSTARTTLSに対応していないため、送信を中止しました。"},
         {"SMTPサーバーがSTARTTLSに対応していないため、送信を中止しました"}},
        {"STARTTLS refused by the server",
         0,
         [](MailSettings& s) {
             LogIn(MAIL_AUTH_PLAIN)(s);
             s.security = MAIL_SECURITY_STARTTLS;
         },
         {},
         Extended("250-mail.example.com\r\n250-STARTTLS\r\n250 AUTH PLAIN\r\n",
                  {"454 4.7.0 TLS not available\r\n"}),
         5s,
         1,
         "",
         Lines({"EHLO home", "STARTTLS"}),
         {},
         {}},
        {"no sender",
         1,
         [](MailSettings& s) { s.adrfrom.clear(); },
         {},
         SMTP_OK,
         5s,
         1,
         "",
         std::nullopt,
         {},
         {}},
        {"no recipient",
         1,
         [](MailSettings& s) { s.adrto1.clear(); },
         {},
         SMTP_OK,
         5s,
         1,
         "",
         std::nullopt,
         {},
         {}},
    };
}

TEST(SendMail, DialoguesWithAScriptedServer) {
    test::FixedClock clock(2005, 4, 1, 9, 5, 0);
    test::ScopedClock useClock(clock);
    for (const DialogueCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        ScriptedMailServer smtp(c.smtpScript);
        MailSettings mail = BaseSettings();
        mail.smtpport = smtp.Port();
        c.change(mail);
        SettingsStore settings;
        settings.SetMail(mail);
        std::unique_ptr<ScriptedMailServer> pop;
        MailSenderOptions options;
        options.popPort = test::UnusedLoopbackPort();
        if (!c.popScript.empty()) {
            pop = std::make_unique<ScriptedMailServer>(c.popScript);
            options.popPort = pop->Port();
        }
        options.timeouts.reply = c.replyLimit;
        test::FakeMailQueue queue(QUEUE_LINES);
        test::RecordingPrompt prompt;
        test::RecordingErrorLog errorLog;
        MailSender sender(settings, queue, prompt, errorLog, options);

        EXPECT_EQ(sender.SendMail(c.interactive), c.result);

        if (pop) {
            EXPECT_EQ(pop->Transcript(), c.popTranscript);
        }
        if (c.smtpTranscript) {
            EXPECT_EQ(smtp.Transcript(), *c.smtpTranscript);
        } else {
            EXPECT_EQ(smtp.Connections(), 0);
        }
        std::vector<std::string> boxes;
        for (const auto& box : prompt.Boxes()) {
            EXPECT_EQ(box.icon, PromptIcon::Stop);
            boxes.push_back(Cp932ToUtf8Lossy(box.text));
        }
        EXPECT_EQ(boxes, c.boxes);
        std::vector<std::string> logs;
        for (const auto& [tag, message] : errorLog.Lines()) {
            EXPECT_EQ(tag, "maild");
            logs.push_back(Cp932ToUtf8Lossy(message));
        }
        EXPECT_EQ(logs, c.logs);
    }
}

TEST(SendMail, DeliveriesRunOneAtATime) {
    test::FakeMailQueue queue(QUEUE_LINES);
    test::RecordingPrompt prompt;
    test::RecordingErrorLog errorLog;
    ScriptedMailServer silent({ScriptedMailServer::SILENT});
    ScriptedMailServer ready(SMTP_OK);
    SettingsStore toSilent;
    SettingsStore toReady;
    MailSettings mail = BaseSettings();
    mail.smtpport = silent.Port();
    toSilent.SetMail(mail);
    mail.smtpport = ready.Port();
    toReady.SetMail(mail);
    MailSenderOptions held;
    held.timeouts.reply = 1s;
    MailSender first(toSilent, queue, prompt, errorLog, held);
    MailSender second(toReady, queue, prompt, errorLog);

    int firstResult = -1;
    std::thread run([&] { firstResult = first.SendMail(0); });
    while (silent.Connections() == 0) {
        std::this_thread::sleep_for(5ms);
    }
    int secondResult = -1;
    std::thread waiting([&] { secondResult = second.SendMail(0); });
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(ready.Connections(), 0) << "the second delivery waits for the first";
    run.join();
    waiting.join();
    EXPECT_EQ(firstResult, 1);
    EXPECT_EQ(secondResult, 0);
    EXPECT_EQ(ready.Connections(), 1);
}

}  // namespace
}  // namespace halvera
