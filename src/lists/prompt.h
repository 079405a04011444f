#pragma once

#include <string_view>

namespace halvera {

// Every message box of the program carries this caption.
inline constexpr std::string_view PROMPT_CAPTION = "Halvera - v1.00";

enum class PromptIcon { Stop, Information };
enum class PromptButtons { Ok, OkCancel };
enum PromptResult { PROMPT_OK = 1, PROMPT_CANCEL = 2 };

// The port through which core asks the user. The Qt adapter shows a message box on the GUI
// thread and blocks only the calling worker; halvera-cli prints the text. The text is CP932.
class Prompt {
  public:
    virtual ~Prompt() = default;
    virtual PromptResult ShowMessage(std::string_view textCp932, PromptIcon icon,
                                     PromptButtons buttons) = 0;
};

// Shows a stop-icon box with an OK button: how the stores report a file they cannot open.
inline void ShowStop(Prompt& prompt, std::string_view textCp932) {
    prompt.ShowMessage(textCp932, PromptIcon::Stop, PromptButtons::Ok);
}

}  // namespace halvera
