#pragma once

#include <functional>

#include "lists/prompt.h"
#include "monitor/engine.h"

namespace halvera {

// What the windows of the program work with: the engine behind every list and command, the
// prompt that shows its message boxes, and what the program adds to the engine's shutdown.
struct AppServices {
    AppServices(Engine& monitorEngine, Prompt& userPrompt)
        : engine(monitorEngine), prompt(userPrompt) {}

    Engine& engine;
    Prompt& prompt;
    // Runs once the engine has closed its files at shutdown (ends the popup program).
    std::function<void()> afterClose;
};

}  // namespace halvera
