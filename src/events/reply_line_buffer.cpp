#include "events/reply_line_buffer.h"

namespace halvera {

void ReplyLineBuffer::Append(std::string_view bytes) {
    m_pending.append(bytes);
}

bool ReplyLineBuffer::Next(std::string& line) {
    std::size_t end = m_pending.find('\n');
    if (end == std::string::npos) {
        return false;
    }
    std::size_t length = end > 0 && m_pending[end - 1] == '\r' ? end - 1 : end;
    line.assign(m_pending, 0, length);
    m_pending.erase(0, end + 1);
    return true;
}

bool ReplyLineBuffer::Overflowed() const {
    const std::size_t lastEnd = m_pending.rfind('\n');
    const std::size_t unended =
        lastEnd == std::string::npos ? m_pending.size() : m_pending.size() - lastEnd - 1;
    return unended > REPLY_LINE_MAX;
}

}  // namespace halvera
