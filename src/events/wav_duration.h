#pragma once

#include <chrono>
#include <filesystem>
#include <istream>
#include <optional>

namespace halvera {

// How long a RIFF/WAVE sound plays: the size of its "data" chunk over the byte rate of its
// "fmt " chunk. The sound player cannot say when a sound has ended where there is no audio
// device, so the event actions count a sound as playing for this long. Nothing when the
// stream is no WAVE file, a chunk runs past the end, or the byte rate is 0; a data chunk
// that claims more than the stream holds counts only what is there.
std::optional<std::chrono::milliseconds> WavDuration(std::istream& in);
std::optional<std::chrono::milliseconds> WavDuration(const std::filesystem::path& file);

}  // namespace halvera
