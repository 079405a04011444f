#include "events/smtp_dialogue.h"

namespace halvera {
namespace {

constexpr std::size_t SLOT_COUNT = 3;

bool Is(std::string_view line, std::string_view code) {
    return line.substr(0, code.size()) == code;
}

}  // namespace

SmtpDialogue::SmtpDialogue(const MailSettings& settings)
    : m_sender(settings.adrfrom), m_slots{settings.adrto1, settings.adrto2, settings.adrto3} {}

std::size_t SmtpDialogue::NextRecipient(std::size_t from) const {
    while (from < SLOT_COUNT && m_slots[from].empty()) {
        ++from;
    }
    return from;
}

DialogueStep SmtpDialogue::Step(std::string_view line) {
    if (IsContinuationLine(line) || Finished()) {
        return {};
    }
    switch (m_state) {
        case 0:
            return Is(line, "220") ? Send("HELO home", 1) : Reject();
        case 1:
            return Is(line, "250") ? Send("RSET", 2) : Reject();
        case 2:
            if (!Is(line, "250")) {
                return Reject();
            }
            m_recipientIndex = 0;
            return Send("MAIL FROM:" + m_sender, 3);
        case 3: {
            std::size_t slot = NextRecipient(m_recipientIndex);
            if (!Is(line, "250") || slot == SLOT_COUNT) {
                return Reject();
            }
            m_recipientIndex = slot + 1;
            bool last = NextRecipient(m_recipientIndex) == SLOT_COUNT;
            return Send("RCPT TO:" + m_slots[slot], last ? 4 : 3);
        }
        case 4:
            if (Is(line, "250")) {
                return Send("DATA", 4);
            }
            if (Is(line, "354")) {
                // The end of the mail data follows the message, so the next reply is its.
                m_state = 5;
                return {DialogueStep::SEND_MESSAGE, {}};
            }
            return Reject();
        case 5:
            return Is(line, "250") ? Send("QUIT", 6) : Reject();
        case 6:
            if (!Is(line, "221")) {
                return Reject();
            }
            m_state = SMTP_STATE_DONE;
            return {};
        default:
            return Reject();
    }
}

}  // namespace halvera
