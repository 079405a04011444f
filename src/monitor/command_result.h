#pragma once

#include <string>

namespace halvera {

// What became of a command a front end gave the engine: the one answer of every command
// that changes or writes something, so that the program and halvera-cli tell the user the
// same thing.
struct CommandResult {
    enum Outcome {
        DONE,     // the change is made and stored
        REFUSED,  // nothing changed; message (CP932) says why, and a dialog stays open
        FAILED,   // a file or the network failed it; the user has been told and the error
                  // log has it, and what is stored stays as it was
    };
    Outcome outcome = FAILED;
    std::string message;

    bool Done() const { return outcome == DONE; }

    static CommandResult Ok() { return {DONE, {}}; }
    static CommandResult Refused(std::string message) { return {REFUSED, std::move(message)}; }
    static CommandResult Failed() { return {FAILED, {}}; }
};

}  // namespace halvera
