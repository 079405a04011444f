#pragma once

#include <cstddef>
#include <string>

#include "events/mail_dialogue.h"
#include "store/mail_settings.h"

namespace halvera {

// The SMTP dialogue of one mail: HELO, RSET, MAIL FROM, one RCPT TO per filled recipient
// slot, DATA, the message, QUIT. Plain SMTP without extensions or authentication.
class SmtpDialogue : public MailDialogue {
  public:
    explicit SmtpDialogue(const MailSettings& settings);
    DialogueStep Step(std::string_view line) override;

  private:
    // The first filled slot from index `from` on, or the slot count when none is left.
    std::size_t NextRecipient(std::size_t from) const;

    std::string m_sender;
    std::string m_slots[3];
    std::size_t m_recipientIndex = 0;
};

}  // namespace halvera
