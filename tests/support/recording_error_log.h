#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lists/error_log.h"

namespace halvera::test {

// Keeps every error log line as (tag, message) for the test to compare.
class RecordingErrorLog : public ErrorLog {
  public:
    void WriteErrorLog(std::string_view tag, std::string_view message) override {
        std::lock_guard lock(m_mutex);
        m_lines.emplace_back(std::string(tag), std::string(message));
    }
    std::vector<std::pair<std::string, std::string>> Lines() const {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<std::string, std::string>> m_lines;
};

}  // namespace halvera::test
