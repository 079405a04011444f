#pragma once

#include "cli/console.h"
#include "lists/prompt.h"

namespace halvera {

// Message boxes without a display: a stop-icon text goes to standard error, any other to
// standard output, and a question is answered with OK, as a user who confirms would.
class ConsolePrompt : public Prompt {
  public:
    explicit ConsolePrompt(Console& console) : m_console(console) {}

    PromptResult ShowMessage(std::string_view textCp932, PromptIcon icon,
                             PromptButtons buttons) override;

    // --quiet: only the stop-icon texts are printed.
    void SetQuiet(bool quiet) { m_quiet = quiet; }

  private:
    Console& m_console;
    bool m_quiet = false;
};

}  // namespace halvera
