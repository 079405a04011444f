#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "lists/prompt.h"
#include "support/busy_flag_rule.h"

namespace halvera::test {

// Keeps every message box (CP932 text and icon) and answers with a fixed button. A box asked
// for while the calling thread holds a busy flag fails the test.
class RecordingPrompt : public Prompt {
  public:
    struct Box {
        std::string text;
        PromptIcon icon;
        PromptButtons buttons;
    };

    explicit RecordingPrompt(PromptResult answer = PROMPT_OK) : m_answer(answer) {}

    // The button the following boxes answer with.
    void SetAnswer(PromptResult answer) {
        std::lock_guard lock(m_mutex);
        m_answer = answer;
    }

    PromptResult ShowMessage(std::string_view text, PromptIcon icon,
                             PromptButtons buttons) override {
        ExpectNoBusyFlagHeld(text);
        std::lock_guard lock(m_mutex);
        m_boxes.push_back({std::string(text), icon, buttons});
        return m_answer;
    }
    std::vector<Box> Boxes() const {
        std::lock_guard lock(m_mutex);
        return m_boxes;
    }
    std::vector<std::string> Texts() const {
        std::lock_guard lock(m_mutex);
        std::vector<std::string> texts;
        for (const auto& box : m_boxes) {
            texts.push_back(box.text);
        }
        return texts;
    }

    // Forgets the boxes shown so far, for the next case of a table.
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_boxes.clear();
    }

  private:
    PromptResult m_answer;
    mutable std::mutex m_mutex;
    std::vector<Box> m_boxes;
};

}  // namespace halvera::test
