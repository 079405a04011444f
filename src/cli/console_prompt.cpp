#include "cli/console_prompt.h"

namespace halvera {

PromptResult ConsolePrompt::ShowMessage(std::string_view textCp932, PromptIcon icon,
                                        PromptButtons) {
    if (icon == PromptIcon::Stop) {
        m_console.ErrCp932(textCp932);
    } else if (!m_quiet) {
        m_console.OutCp932(textCp932);
    }
    return PROMPT_OK;
}

}  // namespace halvera
