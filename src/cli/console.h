#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace halvera {

// Standard output and standard error of halvera-cli, shared by the main thread and the run
// thread: each call writes whole lines, converted from CP932 to UTF-8 where the text comes
// from core, and flushes them so that a script reading the pipe sees them as they happen.
// On a terminal one status line may stand below them, rewritten in place; every other line
// first takes its place and the status line follows it again.
class Console {
  public:
    Console(std::FILE* out = stdout, std::FILE* err = stderr) : m_out(out), m_err(err) {}

    void Out(std::string_view utf8Line);
    void Err(std::string_view utf8Line);
    void OutCp932(std::string_view cp932Line);
    void ErrCp932(std::string_view cp932Line);
    // Bytes exactly as given, no line end added: a file's content written to the pipe.
    void OutBytes(std::string_view bytes);

    // Whether standard output is a terminal, where a status line can be rewritten.
    bool OutIsTerminal() const;
    // Shows the status line (UTF-8, one line narrower than the terminal) in place of the last
    // one; ClearStatus takes it away.
    void ShowStatus(std::string_view utf8Line);
    void ClearStatus();

  private:
    void Write(std::FILE* stream, std::string_view utf8Line);
    // Erases the status line from the terminal (the caller holds the mutex).
    void EraseStatus();

    std::mutex m_mutex;
    std::FILE* m_out;
    std::FILE* m_err;
    std::string m_status;
};

}  // namespace halvera
