#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace halvera {

enum class ChannelRead {
    Message,  // body holds a whole message
    TooLong,  // a message above the limit came and was skipped; the stream is still in step
    Ended,    // the other side closed, or the stream broke (possibly in the middle of a message)
};

// Reads one length-prefixed message from a stream socket. A message longer than limit is
// read through and dropped rather than kept, so a peer cannot make this side hold more.
ChannelRead ReadMessage(int fd, std::size_t limit, std::vector<std::uint8_t>& body);

// Writes the length and the body in one go; false when the other side is gone.
bool WriteMessage(int fd, std::span<const std::uint8_t> body);

}  // namespace halvera
