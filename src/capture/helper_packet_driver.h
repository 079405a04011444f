#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "capture/capture_protocol.h"
#include "capture/packet_driver.h"

namespace halvera {

// Where the capture helper is found: a program to start with a socket pair, tried in order,
// or the socket of a running helper service to connect to.
struct HelperRoute {
    std::vector<std::filesystem::path> programs;
    std::filesystem::path serviceSocket;  // used instead of programs when not empty
};

// The packet driver for a process without raw-frame rights: every call goes to the capture
// helper, one request and one reply. A batch of frames and a whole capture window each cross
// in one message, so a round of probes costs a handful of exchanges, not one per frame. The
// helper starts at the first call and ends with the driver (or with this process); a helper
// that went away is started again by the next call. Calls from several threads take turns.
// Without a helper to ask (not this user's to run, or missing) the adapters are read from
// the kernel's interface list in this process.
class HelperPacketDriver final : public PacketDriver {
  public:
    explicit HelperPacketDriver(HelperRoute route);
    ~HelperPacketDriver() override;
    HelperPacketDriver(const HelperPacketDriver&) = delete;
    HelperPacketDriver& operator=(const HelperPacketDriver&) = delete;

    RawSocketCheck TryRawSocket() override;
    std::optional<std::vector<CaptureAdapter>> Adapters() override;
    bool Open(int adapterIndex) override;
    bool Send(std::span<const std::uint8_t> frame) override;
    int SendBatch(std::span<const std::uint8_t> frames, std::size_t frameSize,
                  int framesPerSecond) override;
    bool PrepareRead() override;
    int ReadCaptured(const FrameVisitor& visit) override;
    void Close() override;
    void Release() override;

    // The running helper's process id (0 when it is not running or is a service's).
    pid_t HelperProcess() const;

  private:
    // Reaches and greets the helper unless it is there already; on failure, says why.
    std::optional<RawSocketCheck> Reach();
    std::optional<RawSocketCheck> StartHelper();
    std::optional<RawSocketCheck> ConnectService();
    // Sends the request and returns the reply's fields when its type is `expected`.
    std::optional<std::vector<std::uint8_t>> Exchange(std::span<const std::uint8_t> request,
                                                      CaptureReply expected);
    std::optional<std::vector<std::uint8_t>> ExchangeLocked(std::span<const std::uint8_t> request,
                                                            CaptureReply expected);
    bool DoneRequest(CaptureRequest request);
    void Disconnect();

    HelperRoute m_route;
    mutable std::mutex m_mutex;
    int m_fd = -1;
    pid_t m_helper = 0;
};

}  // namespace halvera
