#include "capture/capture_channel.h"

#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace halvera {
namespace {

bool ReadExactly(int fd, std::uint8_t* into, std::size_t count) {
    while (count > 0) {
        const ssize_t n = read(fd, into, count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        into += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

bool Skip(int fd, std::size_t count) {
    std::array<std::uint8_t, 4096> sink;
    while (count > 0) {
        const std::size_t step = std::min(count, sink.size());
        if (!ReadExactly(fd, sink.data(), step)) {
            return false;
        }
        count -= step;
    }
    return true;
}

}  // namespace

ChannelRead ReadMessage(int fd, std::size_t limit, std::vector<std::uint8_t>& body) {
    std::array<std::uint8_t, 4> prefix;
    if (!ReadExactly(fd, prefix.data(), prefix.size())) {
        return ChannelRead::Ended;
    }
    const std::size_t length = std::size_t{prefix[0]} << 24 | std::size_t{prefix[1]} << 16 |
                               std::size_t{prefix[2]} << 8 | prefix[3];
    if (length > limit) {
        return Skip(fd, length) ? ChannelRead::TooLong : ChannelRead::Ended;
    }
    body.resize(length);
    return ReadExactly(fd, body.data(), length) ? ChannelRead::Message : ChannelRead::Ended;
}

bool WriteMessage(int fd, std::span<const std::uint8_t> body) {
    const std::uint32_t length = static_cast<std::uint32_t>(body.size());
    std::uint8_t prefix[4] = {
        static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
        static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    iovec parts[2] = {{prefix, sizeof prefix},
                      {const_cast<std::uint8_t*>(body.data()), body.size()}};
    std::size_t left = sizeof prefix + body.size();
    int first = 0;
    while (left > 0) {
        msghdr message{};
        message.msg_iov = parts + first;
        message.msg_iovlen = static_cast<std::size_t>(2 - first);
        // No SIGPIPE: a peer that went away is an ordinary end of the conversation.
        const ssize_t n = sendmsg(fd, &message, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        left -= static_cast<std::size_t>(n);
        for (std::size_t done = static_cast<std::size_t>(n); done > 0 && first < 2;) {
            const std::size_t step = std::min(done, parts[first].iov_len);
            parts[first].iov_base = static_cast<std::uint8_t*>(parts[first].iov_base) + step;
            parts[first].iov_len -= step;
            done -= step;
            if (parts[first].iov_len == 0) {
                ++first;
            }
        }
    }
    return true;
}

}  // namespace halvera
