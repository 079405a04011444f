#pragma once

namespace halvera {

// How the probe of one address ended: the node answered, stayed silent, or the driver failed
// (the run ends).
enum class ProbeResult { Present, Absent, Failed };

// The result of the probes' codes: 1 present, 2 absent, -1 failed.
constexpr ProbeResult ProbeResultOf(int code) {
    return code == 1    ? ProbeResult::Present
           : code == -1 ? ProbeResult::Failed
                        : ProbeResult::Absent;
}

}  // namespace halvera
