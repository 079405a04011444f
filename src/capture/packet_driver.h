#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "capture/capture_adapter.h"

namespace halvera {

// Outcome of trying a raw ICMP socket with 100 ms send and receive time-outs, in this
// process or in the capture helper; or why the helper could not be asked.
enum class RawSocketCheck {
    Allowed,
    SocketRefused,       // no right to raw sockets (a helper without its capability)
    OptionRefused,       // the socket's time-outs could not be set
    HelperNotPermitted,  // the helper may not be run by this user (not in its group)
    HelperMissing,       // no helper to start or connect to, or it did not answer
};

// Called once for each frame captured in an attempt's window.
using FrameVisitor = std::function<void(std::span<const std::uint8_t> frame)>;

// The one place where Ethernet frames leave and enter the program. One attempt is
// Open, Send, PrepareRead, (the caller's wait), ReadCaptured, Close; libpcap does it in
// production, scripted fakes in the unit tests.
class PacketDriver {
  public:
    virtual ~PacketDriver() = default;

    // Opens and closes a raw socket: the proof that this process may send and capture raw
    // frames at all.
    virtual RawSocketCheck TryRawSocket() = 0;

    // The Ethernet adapters with an IPv4 address, in the driver's order; ADPNUM indexes this
    // list. Nothing when the list cannot be read.
    virtual std::optional<std::vector<CaptureAdapter>> Adapters() = 0;

    // Opens the adapter at this position of Adapters() for promiscuous capture. The capture
    // window starts here: nothing captured before is delivered by ReadCaptured.
    virtual bool Open(int adapterIndex) = 0;

    // Writes one frame through the open adapter.
    virtual bool Send(std::span<const std::uint8_t> frame) = 0;

    // Writes the frames packed back to back in `frames`, frameSize bytes each, in order
    // through the open adapter, spaced so that no more than framesPerSecond frames leave in
    // any one second, counted across calls. One call carries a whole round of probes, so a
    // driver in another process needs no exchange per frame. Returns how many frames were
    // written; it stops at the first that fails.
    virtual int SendBatch(std::span<const std::uint8_t> frames, std::size_t frameSize,
                          int framesPerSecond) = 0;

    // Sets the open adapter up so that the read after the wait returns at once with what
    // the window holds.
    virtual bool PrepareRead() = 0;

    // Hands every frame captured since Open to visit, oldest first. Returns how many frames
    // it handed over, or -1 when the read failed.
    virtual int ReadCaptured(const FrameVisitor& visit) = 0;

    // Ends the attempt. A driver may keep the adapter open for the next attempt on it.
    virtual void Close() = 0;

    // Closes whatever Close kept open; a search run calls it when it ends.
    virtual void Release() = 0;
};

}  // namespace halvera
