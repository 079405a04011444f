#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "events/mail_dialogue.h"
#include "store/mail_settings.h"

namespace halvera {

// The SMTP dialogue of one mail: HELO, RSET, MAIL FROM, one RCPT TO per filled recipient
// slot, DATA, the message, QUIT. With STARTTLS or authentication in the settings it greets
// with EHLO instead, since both are extensions, and before RSET it upgrades the connection
// (STARTTLS, then EHLO again over TLS) and logs in (AUTH PLAIN or AUTH LOGIN). A server that
// does not offer what the settings ask for is refused, never used without it.
class SmtpDialogue : public MailDialogue {
  public:
    explicit SmtpDialogue(const MailSettings& settings);
    DialogueStep Step(std::string_view line) override;

  private:
    // What the dialogue waits for while it is between the greeting reply and RSET.
    enum class Waiting { HELLO, STARTTLS, AUTH_DONE, LOGIN_USER, LOGIN_PASSWORD };

    DialogueStep Hello();
    DialogueStep AfterHello();
    DialogueStep ExtensionReply(std::string_view line);
    bool Offers(std::string_view keyword, std::string_view parameter) const;
    // The first filled slot from index `from` on, or the slot count when none is left.
    std::size_t NextRecipient(std::size_t from) const;

    std::string m_sender;
    std::string m_slots[3];
    std::size_t m_recipientIndex = 0;
    std::int32_t m_security;
    std::int32_t m_auth;
    std::string m_user;
    std::string m_password;
    Waiting m_waiting = Waiting::HELLO;
    bool m_tlsAsked = false;
    bool m_loggedIn = false;
    // The EHLO reply's lines after the code, one extension each.
    std::vector<std::string> m_extensions;
};

}  // namespace halvera
