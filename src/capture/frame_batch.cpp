#include "capture/frame_batch.h"

namespace halvera {

int SendEachFrame(std::span<const std::uint8_t> frames, std::size_t frameSize,
                  const std::function<bool(std::span<const std::uint8_t>)>& send) {
    int sent = 0;
    for (std::size_t at = 0; frameSize > 0 && frameSize <= frames.size() - at; at += frameSize) {
        if (!send(frames.subspan(at, frameSize))) {
            break;
        }
        ++sent;
    }
    return sent;
}

}  // namespace halvera
