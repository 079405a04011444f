#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace halvera {

// States that end a dialogue; 0 to 6 are the steps while it runs.
inline constexpr int SMTP_STATE_DONE = 7;
inline constexpr int SMTP_STATE_FAILED = 8;

// What a dialogue wants sent after one reply line.
struct DialogueStep {
    enum Action {
        NOTHING,       // a continuation line, or the dialogue is done
        SEND_COMMAND,  // send `command` followed by CR LF
        SEND_MESSAGE,  // send the header block, the body and the end of the mail data
        START_TLS,     // the server is ready for TLS: hand-shake, then send `command`
        FAIL,          // the reply was not the expected one; SmtpState is now 8
    };
    Action action = NOTHING;
    std::string command;
    // With FAIL: what the dialogue itself refused (UTF-8, after the server's kind), when
    // the reply line alone does not say it.
    std::string refusal;
};

// One client dialogue with a mail server, driven reply line by reply line. The state number
// is shared by the POP and the SMTP dialogue: SmtpState.
class MailDialogue {
  public:
    virtual ~MailDialogue() = default;
    // Takes one complete reply line, without its line end.
    virtual DialogueStep Step(std::string_view line) = 0;

    int SmtpState() const { return m_state; }
    bool Finished() const { return m_state == SMTP_STATE_DONE || m_state == SMTP_STATE_FAILED; }
    // A send or receive failure ends the dialogue from outside.
    void Fail() { m_state = SMTP_STATE_FAILED; }

  protected:
    // Lines whose fourth character is "-" continue a multi-line reply; only its last line
    // is answered.
    static bool IsContinuationLine(std::string_view line) {
        return line.size() >= 4 && line[3] == '-';
    }
    DialogueStep Send(std::string command, int nextState) {
        m_state = nextState;
        return {DialogueStep::SEND_COMMAND, std::move(command), {}};
    }
    DialogueStep Reject(std::string refusal = {}) {
        m_state = SMTP_STATE_FAILED;
        return {DialogueStep::FAIL, {}, std::move(refusal)};
    }

    int m_state = 0;
};

}  // namespace halvera
