#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace halvera {

// Hands the frames packed back to back in `frames`, frameSize bytes each, to send in order
// and stops at the first it refuses. Returns how many it took: the count a driver's
// SendBatch reports.
int SendEachFrame(std::span<const std::uint8_t> frames, std::size_t frameSize,
                  const std::function<bool(std::span<const std::uint8_t>)>& send);

}  // namespace halvera
