#pragma once

namespace halvera {

// How the probe of one address ended: the node answered, stayed silent, the driver failed
// (the run ends), or a stop request cut its windows (nothing of the node was changed).
enum class ProbeResult { Present, Absent, Failed, Cut };

// The result of the probes' codes: 1 present, 2 absent, -1 failed, 0 (SWEEP_CUT) cut.
constexpr ProbeResult ProbeResultOf(int code) {
    return code == 1    ? ProbeResult::Present
           : code == -1 ? ProbeResult::Failed
           : code == 0  ? ProbeResult::Cut
                        : ProbeResult::Absent;
}

}  // namespace halvera
