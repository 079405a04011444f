#pragma once

#include <cstdio>
#include <mutex>
#include <string_view>

namespace halvera {

// Standard output and standard error of halvera-cli, shared by the main thread and the run
// thread: each call writes whole lines, converted from CP932 to UTF-8 where the text comes
// from core, and flushes them so that a script reading the pipe sees them as they happen.
class Console {
  public:
    Console(std::FILE* out = stdout, std::FILE* err = stderr) : m_out(out), m_err(err) {}

    void Out(std::string_view utf8Line);
    void Err(std::string_view utf8Line);
    void OutCp932(std::string_view cp932Line);
    void ErrCp932(std::string_view cp932Line);
    // Bytes exactly as given, no line end added: a file's content written to the pipe.
    void OutBytes(std::string_view bytes);

  private:
    void Write(std::FILE* stream, std::string_view utf8Line);

    std::mutex m_mutex;
    std::FILE* m_out;
    std::FILE* m_err;
};

}  // namespace halvera
