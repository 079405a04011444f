#pragma once

#include <string>
#include <utility>
#include <vector>

#include "events/mail_line_source.h"

namespace halvera::test {

// The mail queue as the mail sender sees it: fixed lines with their line ends.
class FakeMailQueue : public MailLineSource {
  public:
    explicit FakeMailQueue(std::vector<std::string> lines) : m_lines(std::move(lines)) {}
    int ReadMailLine(int n, std::string& line) override {
        if (n < 0 || static_cast<std::size_t>(n) >= m_lines.size()) {
            return 1;
        }
        line = m_lines[static_cast<std::size_t>(n)];
        return 0;
    }

  private:
    std::vector<std::string> m_lines;
};

}  // namespace halvera::test
