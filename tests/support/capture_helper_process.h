#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "capture/capture_protocol.h"

namespace halvera::test {

// The build's halvera-capture started on a socket pair, spoken to byte by byte: the test
// plays a front end that may send anything.
class CaptureHelperProcess {
  public:
    CaptureHelperProcess();
    ~CaptureHelperProcess();
    CaptureHelperProcess(const CaptureHelperProcess&) = delete;
    CaptureHelperProcess& operator=(const CaptureHelperProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    // Writes raw bytes, length prefix and all.
    bool WriteRaw(std::span<const std::uint8_t> bytes);
    // Sends one whole message and reads the reply; nothing when the helper is gone.
    std::optional<std::vector<std::uint8_t>> Ask(std::span<const std::uint8_t> body);
    // Reads one reply.
    std::optional<std::vector<std::uint8_t>> Reply();
    // Closes the front end's socket and waits for the helper's exit status (-1 if killed or
    // still running after five seconds).
    int End();

  private:
    int m_fd = -1;
    pid_t m_pid = -1;
};

// The refusal a reply carries, or nothing when it is no refusal.
std::optional<CaptureRefusal> RefusalOf(const std::vector<std::uint8_t>& reply);

std::vector<std::uint8_t> CaptureHello();

}  // namespace halvera::test
