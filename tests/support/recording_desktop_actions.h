#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "events/desktop_actions.h"

namespace halvera::test {

// Keeps every desktop action as one line of text: "open PATH|ARG|ARG", "beep",
// "sound FILE".
class RecordingDesktopActions : public DesktopActions {
  public:
    void OpenFile(const std::string& path, const std::vector<std::string>& arguments) override {
        std::string line = "open " + path;
        for (const auto& argument : arguments) {
            line += "|" + argument;
        }
        Add(line);
    }
    void Beep() override { Add("beep"); }
    void PlaySound(const std::string& soundFile) override { Add("sound " + soundFile); }

    std::vector<std::string> Actions() const {
        std::lock_guard lock(m_mutex);
        return m_actions;
    }

    // Runs with each line, before it is kept: tests that follow the order of actions.
    std::function<void(const std::string& line)> onAction;

  private:
    void Add(std::string line) {
        if (onAction) {
            onAction(line);
        }
        std::lock_guard lock(m_mutex);
        m_actions.push_back(std::move(line));
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_actions;
};

}  // namespace halvera::test
