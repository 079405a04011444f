#include "events/smtp_dialogue.h"

#include <algorithm>
#include <cctype>

#include "base/text_codec.h"
#include "events/mail_encoding.h"

namespace halvera {
namespace {

constexpr std::size_t SLOT_COUNT = 3;

bool Is(std::string_view line, std::string_view code) {
    return line.substr(0, code.size()) == code;
}

bool SameWord(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) ==
               std::toupper(static_cast<unsigned char>(y));
    });
}

// The words of one EHLO extension line; "AUTH=LOGIN PLAIN", an old servers' form, counts
// as "AUTH LOGIN PLAIN".
std::vector<std::string_view> Words(std::string_view extension) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < extension.size()) {
        std::size_t end = extension.find_first_of(words.empty() ? " =" : " ", at);
        end = end == std::string_view::npos ? extension.size() : end;
        if (end > at) {
            words.push_back(extension.substr(at, end - at));
        }
        at = end + 1;
    }
    return words;
}

// What the server is asked to check; authentication texts are UTF-8 on the wire.
std::string AuthText(const std::string& cp932) {
    return Base64Encode(Cp932ToUtf8Lossy(cp932));
}

}  // namespace

SmtpDialogue::SmtpDialogue(const MailSettings& settings)
    : m_sender(settings.adrfrom),
      m_slots{settings.adrto1, settings.adrto2, settings.adrto3},
      m_security(settings.security),
      m_auth(settings.smtpauth),
      m_user(settings.authuser),
      m_password(settings.authpass) {}

std::size_t SmtpDialogue::NextRecipient(std::size_t from) const {
    while (from < SLOT_COUNT && m_slots[from].empty()) {
        ++from;
    }
    return from;
}

bool SmtpDialogue::Offers(std::string_view keyword, std::string_view parameter) const {
    for (const std::string& extension : m_extensions) {
        const std::vector<std::string_view> words = Words(extension);
        if (words.empty() || !SameWord(words.front(), keyword)) {
            continue;
        }
        if (parameter.empty() ||
            std::any_of(words.begin() + 1, words.end(),
                        [parameter](std::string_view word) { return SameWord(word, parameter); })) {
            return true;
        }
    }
    return false;
}

DialogueStep SmtpDialogue::Hello() {
    m_extensions.clear();
    m_waiting = Waiting::HELLO;
    const bool extended = m_security == MAIL_SECURITY_STARTTLS || m_auth != MAIL_AUTH_NONE;
    return Send(extended ? "EHLO home" : "HELO home", 1);
}

DialogueStep SmtpDialogue::AfterHello() {
    if (m_security == MAIL_SECURITY_STARTTLS && !m_tlsAsked) {
        // Never on without TLS: the settings ask for it because the mail must not go plain.
        if (!Offers("STARTTLS", {})) {
            return Reject("サーバーがSTARTTLSに対応していないため、送信を中止しました");
        }
        m_waiting = Waiting::STARTTLS;
        return Send("STARTTLS", 1);
    }
    if (m_auth != MAIL_AUTH_NONE && !m_loggedIn) {
        const std::string mechanism = m_auth == MAIL_AUTH_PLAIN ? "PLAIN" : "LOGIN";
        if (!Offers("AUTH", mechanism)) {
            return Reject("サーバーがAUTH " + mechanism +
                          "に対応していないため、送信を中止しました");
        }
        if (m_auth == MAIL_AUTH_PLAIN) {
            m_waiting = Waiting::AUTH_DONE;
            return Send("AUTH PLAIN " + AuthText(std::string(1, '\0') + m_user + '\0' + m_password),
                        1);
        }
        m_waiting = Waiting::LOGIN_USER;
        return Send("AUTH LOGIN", 1);
    }
    return Send("RSET", 2);
}

DialogueStep SmtpDialogue::ExtensionReply(std::string_view line) {
    switch (m_waiting) {
        case Waiting::HELLO:
            return Is(line, "250") ? AfterHello() : Reject();
        case Waiting::STARTTLS:
            if (!Is(line, "220")) {
                return Reject();
            }
            // What the server said before TLS no longer counts: ask again over it.
            m_tlsAsked = true;
            m_extensions.clear();
            m_waiting = Waiting::HELLO;
            return {DialogueStep::START_TLS, "EHLO home", {}};
        case Waiting::LOGIN_USER:
            if (!Is(line, "334")) {
                return Reject();
            }
            m_waiting = Waiting::LOGIN_PASSWORD;
            return Send(AuthText(m_user), 1);
        case Waiting::LOGIN_PASSWORD:
            if (!Is(line, "334")) {
                return Reject();
            }
            m_waiting = Waiting::AUTH_DONE;
            return Send(AuthText(m_password), 1);
        case Waiting::AUTH_DONE:
            if (!Is(line, "235")) {
                return Reject();
            }
            m_loggedIn = true;
            return Send("RSET", 2);
    }
    return Reject();
}

DialogueStep SmtpDialogue::Step(std::string_view line) {
    if (Finished()) {
        return {};
    }
    if (m_state == 1 && m_waiting == Waiting::HELLO && line.size() > 4) {
        m_extensions.emplace_back(line.substr(4));
    }
    if (IsContinuationLine(line)) {
        return {};
    }
    switch (m_state) {
        case 0:
            return Is(line, "220") ? Hello() : Reject();
        case 1:
            return ExtensionReply(line);
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
                return {DialogueStep::SEND_MESSAGE, {}, {}};
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
