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

}  // namespace halvera
