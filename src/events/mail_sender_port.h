#pragma once

namespace halvera {

// The mail sender as the event actions see it: one mail whose body is every line of the
// mail queue.
class MailSenderPort {
  public:
    virtual ~MailSenderPort() = default;
    // interactive: 1 for the test mail of the mail settings (failures shown and logged),
    // 0 for the mail of a search run (silent). Returns 0 when the mail was delivered, 1
    // otherwise.
    virtual int SendMail(int interactive) = 0;
};

}  // namespace halvera
