#include "cli/console.h"

#include "base/text_codec.h"

namespace halvera {

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

void Console::Write(std::FILE* stream, std::string_view utf8Line) {
    std::lock_guard lock(m_mutex);
    std::fwrite(utf8Line.data(), 1, utf8Line.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

}  // namespace halvera
