// Feeds arbitrary bytes as what a mail server sends, in receives of up to 1024 bytes, through
// the reply line reader into the SMTP and the POP dialogue, and every refused line into the
// SMTP error report. The reader gives back exactly the bytes it got, line by line, and
// overflows only on a line longer than its limit; each dialogue sends its commands in their
// order and ends only after the last one.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "events/pop_dialogue.h"
#include "events/reply_line_buffer.h"
#include "events/smtp_dialogue.h"
#include "events/smtp_reply_error.h"
#include "fuzz_support.h"

namespace {

using namespace halvera;
using fuzz::Check;

constexpr std::size_t RECEIVE_SIZE = 1024;

class CountingPrompt : public Prompt {
  public:
    PromptResult ShowMessage(std::string_view text, PromptIcon, PromptButtons) override {
        last = std::string(text);
        return PROMPT_OK;
    }
    std::string last;
};

MailSettings Settings() {
    MailSettings settings;
    settings.adrfrom = "monitor@example.com";
    // The first recipient slot left empty: it is skipped.
    settings.adrto2 = "admin@example.com";
    settings.adrto3 = "second@example.com";
    settings.userid = "monitor";
    settings.passward = "secret";
    return settings;
}

// The order a dialogue sends in, "" standing for the message. "DATA" goes once for each 250
// that answers the last recipient or an earlier "DATA", so not at all when the server asks for
// the message at once.
bool FollowsOrder(const std::vector<std::string>& sent, const std::vector<std::string>& order) {
    std::size_t at = 0;
    for (const std::string& step : sent) {
        if (at < order.size() && order[at] == "DATA" && step != "DATA") {
            ++at;
        }
        if (at > 0 && step == "DATA" && order[at - 1] == "DATA") {
            continue;
        }
        if (at == order.size() || step != order[at]) {
            return false;
        }
        ++at;
    }
    return true;
}

void Converse(std::string_view stream, std::size_t chunk, MailDialogue& dialogue,
              const std::vector<std::string>& order, bool smtp) {
    ReplyLineBuffer replies;
    std::vector<std::string> sent;
    std::size_t received = 0;
    std::size_t taken = 0;  // bytes of the stream given back as lines and their ends
    std::string line;
    while (!dialogue.Finished() && received < stream.size()) {
        const std::string_view part = stream.substr(received, chunk);
        replies.Append(part);
        received += part.size();
        // Overflowed: more bytes than a line may hold came after the last line end.
        const std::string_view open = stream.substr(taken, received - taken);
        const std::size_t lastEnd = open.rfind('\n');
        const std::size_t unended =
            lastEnd == std::string_view::npos ? open.size() : open.size() - lastEnd - 1;
        Check(replies.Overflowed() == (unended > ReplyLineBuffer::REPLY_LINE_MAX));
        if (replies.Overflowed()) {
            return;
        }
        while (!dialogue.Finished() && replies.Next(line)) {
            const std::string_view rest = stream.substr(taken, received - taken);
            Check(rest.substr(0, line.size()) == line);
            const std::string_view end = rest.substr(line.size(), 2);
            Check(end.starts_with("\n") || end == "\r\n");
            taken += line.size() + (end.starts_with("\n") ? 1 : 2);

            const int state = dialogue.SmtpState();
            const DialogueStep step = dialogue.Step(line);
            Check(dialogue.SmtpState() >= 0 && dialogue.SmtpState() <= SMTP_STATE_FAILED);
            switch (step.action) {
                case DialogueStep::SEND_COMMAND:
                    Check(step.command.find_first_of("\r\n") == std::string::npos);
                    sent.push_back(step.command);
                    break;
                case DialogueStep::SEND_MESSAGE:
                    sent.push_back("");
                    break;
                case DialogueStep::START_TLS:
                    // The hand-shake, then the command that follows it.
                    Check(step.command.find_first_of("\r\n") == std::string::npos);
                    sent.push_back(step.command);
                    break;
                case DialogueStep::FAIL:
                    Check(dialogue.SmtpState() == SMTP_STATE_FAILED);
                    if (smtp) {
                        CountingPrompt prompt;
                        fuzz::KeptErrorLog errorLog;
                        ShowSmtpReplyError(line, prompt, errorLog);
                        Check(prompt.last.find(line) != std::string::npos &&
                              errorLog.lines.size() == 1);
                    } else {
                        PopRefusalText(state);
                    }
                    break;
                case DialogueStep::NOTHING:
                    break;
            }
        }
    }
    Check(FollowsOrder(sent, order));
    if (dialogue.SmtpState() == SMTP_STATE_DONE) {
        Check(!sent.empty() && sent.back() == order.back());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t chunk = 1 + (data[0] * 131u) % RECEIVE_SIZE;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    const MailSettings settings = Settings();
    SmtpDialogue smtp(settings);
    Converse(stream, chunk, smtp,
             {"HELO home", "RSET", "MAIL FROM:monitor@example.com", "RCPT TO:admin@example.com",
              "RCPT TO:second@example.com", "DATA", "", "QUIT"},
             true);
    // The same replies to a dialogue that asks for STARTTLS and AUTH LOGIN: the EHLO
    // extension lines are read, and nothing is sent out of order.
    MailSettings secured = settings;
    secured.security = MAIL_SECURITY_STARTTLS;
    secured.smtpauth = MAIL_AUTH_LOGIN;
    secured.authuser = "monitor";
    secured.authpass = "secret";
    SmtpDialogue extended(secured);
    Converse(stream, chunk, extended,
             {"EHLO home", "STARTTLS", "EHLO home", "AUTH LOGIN", "bW9uaXRvcg==", "c2VjcmV0",
              "RSET", "MAIL FROM:monitor@example.com", "RCPT TO:admin@example.com",
              "RCPT TO:second@example.com", "DATA", "", "QUIT"},
             true);
    PopDialogue pop(settings);
    Converse(stream, chunk, pop, {"USER monitor", "PASS secret", "QUIT"}, false);
    return 0;
}
