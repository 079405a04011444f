#pragma once

#include <string>
#include <string_view>

#include "events/mail_connection.h"
#include "events/mail_dialogue.h"
#include "events/mail_line_source.h"
#include "events/mail_sender_port.h"
#include "lists/error_log.h"
#include "lists/prompt.h"
#include "store/settings_store.h"

namespace halvera {

inline constexpr int POP_PORT = 110;

// The SMTP port is a mail setting; the POP port is not, so tests give their own.
struct MailSenderOptions {
    int popPort = POP_PORT;
    MailTimeouts timeouts;
};

// Sends one e-mail through the SMTP server of the mail settings, after a POP log-in when
// the settings ask for one, over TLS (STARTTLS or from the start) and with SMTP
// authentication when they ask for those. Deliveries of the whole process run one at a time.
class MailSender : public MailSenderPort {
  public:
    MailSender(const SettingsStore& settings, MailLineSource& queue, Prompt& prompt,
               ErrorLog& errorLog, MailSenderOptions options = {});

    // interactive 1: the test mail of the mail settings dialog, failures shown and logged;
    // 0: the queued event lines, failures silent. Returns 0 when the SMTP dialogue reached
    // its end, 1 otherwise (also when the sender or every recipient is missing).
    int SendMail(int interactive) override;

  private:
    enum class Server { POP, SMTP };
    struct Delivery;

    bool Open(const Delivery& delivery, MailConnection& connection, Server server,
              const std::string& name, int port);
    void RunDialogue(const Delivery& delivery, MailConnection& connection, MailDialogue& dialogue,
                     Server server);
    bool SendMessage(const Delivery& delivery, MailConnection& connection);
    bool StartTls(const Delivery& delivery, MailConnection& connection);
    void Report(const Delivery& delivery, Server server, std::string_view what, bool withAdvice);

    const SettingsStore& m_settings;
    MailLineSource& m_queue;
    Prompt& m_prompt;
    ErrorLog& m_errorLog;
    MailSenderOptions m_options;
};

}  // namespace halvera
