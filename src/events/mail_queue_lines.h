#pragma once

#include "events/mail_line_source.h"
#include "store/mail_queue.h"

namespace halvera {

// The mail queue as the mail sender reads the body of an event mail.
class MailQueueLines : public MailLineSource {
  public:
    explicit MailQueueLines(MailQueue& queue) : m_queue(queue) {}

    int ReadMailLine(int n, std::string& line) override { return m_queue.ReadMailLine(n, line); }

  private:
    MailQueue& m_queue;
};

}  // namespace halvera
