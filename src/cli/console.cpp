#include "cli/console.h"

#include <unistd.h>

#include "base/text_codec.h"

namespace halvera {
namespace {

// Back to the start of the line, and erase to its end.
constexpr const char* ERASE_LINE = "\r\033[K";

}  // namespace

void Console::Out(std::string_view utf8Line) {
    Write(m_out, utf8Line);
}

void Console::Err(std::string_view utf8Line) {
    Write(m_err, utf8Line);
}

void Console::OutCp932(std::string_view cp932Line) {
    Write(m_out, Cp932ToUtf8Lossy(cp932Line));
}

void Console::ErrCp932(std::string_view cp932Line) {
    Write(m_err, Cp932ToUtf8Lossy(cp932Line));
}

void Console::OutBytes(std::string_view bytes) {
    std::lock_guard lock(m_mutex);
    std::fwrite(bytes.data(), 1, bytes.size(), m_out);
    std::fflush(m_out);
}

bool Console::OutIsTerminal() const {
    return isatty(fileno(m_out)) != 0;
}

void Console::ShowStatus(std::string_view utf8Line) {
    std::lock_guard lock(m_mutex);
    EraseStatus();
    m_status = utf8Line;
    std::fwrite(m_status.data(), 1, m_status.size(), m_out);
    std::fflush(m_out);
}

void Console::ClearStatus() {
    std::lock_guard lock(m_mutex);
    EraseStatus();
    m_status.clear();
    std::fflush(m_out);
}

void Console::EraseStatus() {
    if (!m_status.empty()) {
        std::fputs(ERASE_LINE, m_out);
        std::fflush(m_out);
    }
}

void Console::Write(std::FILE* stream, std::string_view utf8Line) {
    std::lock_guard lock(m_mutex);
    // Standard error shares the terminal: its lines too go above the status line.
    EraseStatus();
    std::fwrite(utf8Line.data(), 1, utf8Line.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
    if (!m_status.empty()) {
        std::fwrite(m_status.data(), 1, m_status.size(), m_out);
        std::fflush(m_out);
    }
}

}  // namespace halvera
