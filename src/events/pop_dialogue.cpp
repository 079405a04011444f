#include "events/pop_dialogue.h"

namespace halvera {
namespace {

// "+OK" followed by a blank or nothing: servers answer a bare "+OK" as often as one with
// text after it.
bool IsPositive(std::string_view line) {
    return line.substr(0, 3) == "+OK" && (line.size() == 3 || line[3] == ' ');
}

}  // namespace

PopDialogue::PopDialogue(const MailSettings& settings)
    : m_user(settings.userid), m_password(settings.passward) {}

DialogueStep PopDialogue::Step(std::string_view line) {
    if (IsContinuationLine(line) || Finished()) {
        return {};
    }
    if (!IsPositive(line)) {
        return Reject();
    }
    switch (m_state) {
        case 0:
            return Send("USER " + m_user, 1);
        case 1:
            return Send("PASS " + m_password, 5);
        case 5:
            return Send("QUIT", 6);
        case 6:
            m_state = SMTP_STATE_DONE;
            return {};
        default:
            return Reject();
    }
}

std::string_view PopRefusalText(int state) {
    switch (state) {
        case 0:
            return "POPサーバーのサービスが利用可能ではありません";
        case 1:
            return "ユーザIDの認証に失敗しました";
        case 5:
            return "パスワードの認証に失敗しました";
        default:
            return {};
    }
}

}  // namespace halvera
