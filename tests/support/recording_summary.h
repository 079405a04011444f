#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "lists/summary_text.h"

namespace halvera::test {

// Keeps every banner text; the summary shows as "<summary>". onChange, when set, runs after
// each change on the caller's thread.
class RecordingSummary : public SummaryText {
  public:
    std::function<void()> onChange;

    void SetSummaryText(std::string_view textCp932) override { Add(std::string(textCp932)); }
    void SetSummaryText() override { Add("<summary>"); }

    std::vector<std::string> Texts() const {
        std::lock_guard lock(m_mutex);
        return m_texts;
    }

  private:
    void Add(std::string text) {
        {
            std::lock_guard lock(m_mutex);
            m_texts.push_back(std::move(text));
        }
        if (onChange) {
            onChange();
        }
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

}  // namespace halvera::test
