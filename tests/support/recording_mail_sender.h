#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "events/mail_sender_port.h"
#include "store/mail_queue.h"

namespace halvera::test {

// A mail sender that reads the queue as the real one does and keeps each mail's body
// lines; it answers with a fixed result.
class RecordingMailSender : public MailSenderPort {
  public:
    explicit RecordingMailSender(MailQueue& queue, int result = 0)
        : m_queue(queue), m_result(result) {}

    int SendMail(int interactive) override {
        std::vector<std::string> body;
        std::string line;
        for (int n = 0; m_queue.ReadMailLine(n, line) == 0; ++n) {
            body.push_back(line);
        }
        std::lock_guard lock(m_mutex);
        m_mails.push_back({interactive, std::move(body)});
        return m_result;
    }

    struct Mail {
        int interactive;
        std::vector<std::string> lines;
        bool operator==(const Mail&) const = default;
    };
    std::vector<Mail> Mails() const {
        std::lock_guard lock(m_mutex);
        return m_mails;
    }

  private:
    MailQueue& m_queue;
    int m_result;
    mutable std::mutex m_mutex;
    std::vector<Mail> m_mails;
};

}  // namespace halvera::test
