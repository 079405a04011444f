#pragma once

#include <string>

#include "events/mail_dialogue.h"
#include "store/mail_settings.h"

namespace halvera {

// The POP3 log-in that opens the SMTP server to this host (POP before SMTP): USER, PASS,
// QUIT, each answered by "+OK".
class PopDialogue : public MailDialogue {
  public:
    explicit PopDialogue(const MailSettings& settings);
    DialogueStep Step(std::string_view line) override;

  private:
    std::string m_user;
    std::string m_password;
};

// The UTF-8 text that tells why the POP server refused in a state (0 greeting, 1 user ID,
// 5 password); empty where the refusal is silent.
std::string_view PopRefusalText(int state);

}  // namespace halvera
