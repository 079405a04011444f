#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace halvera {

// Cuts what a mail server sends into reply lines. A line ends at LF, a CR before it is
// dropped; an incomplete line waits for the next receive. A server that sends an endless
// line is cut off instead of filling memory.
class ReplyLineBuffer {
  public:
    // Longest line accepted; replies are at most 512 bytes.
    static constexpr std::size_t REPLY_LINE_MAX = 4096;

    void Append(std::string_view bytes);
    // Takes the next complete line. Returns false when none is complete.
    bool Next(std::string& line);
    // True when more than REPLY_LINE_MAX bytes came after the last line end; complete lines
    // still waiting to be taken do not count.
    bool Overflowed() const;

  private:
    std::string m_pending;
};

}  // namespace halvera
