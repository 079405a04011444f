#include "events/mail_sender.h"

#include <mutex>

#include "base/clock.h"
#include "base/text_codec.h"
#include "base/text_file.h"
#include "events/mail_encoding.h"
#include "events/mail_header.h"
#include "events/pop_dialogue.h"
#include "events/reply_line_buffer.h"
#include "events/smtp_dialogue.h"
#include "events/smtp_reply_error.h"

namespace halvera {
namespace {

constexpr std::size_t RECEIVE_SIZE = 1024;
constexpr std::string_view END_OF_DATA = "\r\n.\r\n";
constexpr std::string_view TEST_MAIL_TEXT = "テストメール";

// One delivery at a time in the whole process: the test mail of the settings dialog waits
// for the mail of a search run and the other way round.
std::mutex g_deliveryMutex;

// One queue line as it goes on the wire: converted to ISO-2022-JP, a CR inside the line
// (a host name from the network can carry one) sent as a blank so that it cannot forge a
// line end, and a leading "." doubled so that the line cannot end the mail data.
std::string BodyLine(std::string_view queueLine) {
    std::string text(StripLineEnd(queueLine));
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    std::string line = SjisToJis(text);
    if (!line.empty() && line.front() == '.') {
        line.insert(0, 1, '.');
    }
    return line + "\r\n";
}

}  // namespace

struct MailSender::Delivery {
    bool interactive;
    MailSettings settings;
};

MailSender::MailSender(const SettingsStore& settings, MailLineSource& queue, Prompt& prompt,
                       ErrorLog& errorLog, MailSenderOptions options)
    : m_settings(settings),
      m_queue(queue),
      m_prompt(prompt),
      m_errorLog(errorLog),
      m_options(options) {}

int MailSender::SendMail(int interactive) {
    std::lock_guard lock(g_deliveryMutex);
    Delivery delivery{interactive == 1, m_settings.Mail()};
    const MailSettings& settings = delivery.settings;
    if (settings.adrfrom.empty() || MailRecipients(settings).empty()) {
        return 1;
    }
    if (settings.pop == 1) {
        MailConnection pop(m_options.timeouts);
        if (!Open(delivery, pop, Server::POP, settings.popserver, m_options.popPort)) {
            return 1;
        }
        PopDialogue login(settings);
        RunDialogue(delivery, pop, login, Server::POP);
        if (login.SmtpState() != SMTP_STATE_DONE) {
            return 1;
        }
    }
    MailConnection smtp(m_options.timeouts);
    if (!Open(delivery, smtp, Server::SMTP, settings.smtpserver, settings.smtpport)) {
        return 1;
    }
    if (settings.security == MAIL_SECURITY_TLS && !StartTls(delivery, smtp)) {
        return 1;
    }
    SmtpDialogue dialogue(settings);
    RunDialogue(delivery, smtp, dialogue, Server::SMTP);
    return dialogue.SmtpState() == SMTP_STATE_DONE ? 0 : 1;
}

bool MailSender::Open(const Delivery& delivery, MailConnection& connection, Server server,
                      const std::string& name, int port) {
    switch (connection.Connect(name, port)) {
        case ConnectResult::CONNECTED:
            return true;
        case ConnectResult::NO_SOCKET:
            return false;
        case ConnectResult::NAME_NOT_FOUND:
            Report(delivery, server, "サーバーの名前解決に失敗しました", true);
            return false;
        case ConnectResult::NOT_CONNECTED:
            Report(delivery, server, "サーバーに接続できませんでした", true);
            return false;
    }
    return false;
}

void MailSender::RunDialogue(const Delivery& delivery, MailConnection& connection,
                             MailDialogue& dialogue, Server server) {
    ReplyLineBuffer replies;
    char buffer[RECEIVE_SIZE];
    std::string line;
    while (!dialogue.Finished()) {
        // A server that closes the connection or stays silent fails like a receive error.
        std::size_t received = connection.Receive(buffer, sizeof buffer);
        if (received > 0) {
            replies.Append(std::string_view(buffer, received));
        }
        if (received == 0 || replies.Overflowed()) {
            dialogue.Fail();
            Report(delivery, server, "サーバー通信中に受信エラーが発生しました", false);
            break;
        }
        while (!dialogue.Finished() && replies.Next(line)) {
            int state = dialogue.SmtpState();
            DialogueStep step = dialogue.Step(line);
            bool sent = true;
            switch (step.action) {
                case DialogueStep::NOTHING:
                    break;
                case DialogueStep::SEND_COMMAND:
                    sent = connection.SendAll(step.command + "\r\n");
                    break;
                case DialogueStep::SEND_MESSAGE:
                    sent = SendMessage(delivery, connection);
                    break;
                case DialogueStep::START_TLS:
                    if (!StartTls(delivery, connection)) {
                        dialogue.Fail();
                        break;
                    }
                    sent = connection.SendAll(step.command + "\r\n");
                    break;
                case DialogueStep::FAIL:
                    if (!delivery.interactive) {
                        break;
                    }
                    if (!step.refusal.empty()) {
                        Report(delivery, server, step.refusal, false);
                    } else if (server == Server::SMTP) {
                        ShowSmtpReplyError(line, m_prompt, m_errorLog);
                    } else if (std::string_view text = PopRefusalText(state); !text.empty()) {
                        ShowStop(m_prompt, Sjis(text) + Sjis("。"));
                        m_errorLog.WriteErrorLog("maild", Sjis(text));
                    }
                    break;
            }
            if (!sent) {
                dialogue.Fail();
                Report(delivery, server, "サーバー通信中に送信エラーが発生しました", false);
            }
        }
    }
    connection.Close();
}

bool MailSender::SendMessage(const Delivery& delivery, MailConnection& connection) {
    if (!connection.SendAll(ComposeMailHeader(delivery.settings, CurrentClock().LocalNow()))) {
        return false;
    }
    if (delivery.interactive) {
        if (!connection.SendAll(SjisToJis(Sjis(TEST_MAIL_TEXT)))) {
            return false;
        }
    } else {
        std::string queueLine;
        for (int n = 0; m_queue.ReadMailLine(n, queueLine) == 0; ++n) {
            if (!connection.SendAll(BodyLine(queueLine))) {
                return false;
            }
            queueLine.clear();
        }
    }
    return connection.SendAll(END_OF_DATA);
}

bool MailSender::StartTls(const Delivery& delivery, MailConnection& connection) {
    const std::string problem = connection.StartTls(delivery.settings.smtpserver);
    if (!problem.empty()) {
        Report(delivery, Server::SMTP, problem, false);
    }
    return problem.empty();
}

void MailSender::Report(const Delivery& delivery, Server server, std::string_view what,
                        bool withAdvice) {
    if (!delivery.interactive) {
        return;
    }
    std::string label = server == Server::POP ? "POP" : "SMTP";
    std::string logText = label + Sjis(what);
    std::string boxText = logText + Sjis("。");
    if (withAdvice) {
        boxText +=
            "\n" + label + Sjis("サーバーアドレス、または、DNSサーバーの設定を確認してください");
    }
    ShowStop(m_prompt, boxText);
    m_errorLog.WriteErrorLog("maild", logText);
}

}  // namespace halvera
