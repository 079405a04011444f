#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "capture/capture_adapter.h"
#include "capture/served_packet_driver.h"

namespace halvera {

// The helper's side of the conversation: answers one request at a time on the driver it
// holds, and trusts nothing it is sent. It opens only adapters of its own list, one at a
// time, exactly the one it looked up; it sends only the probes' ARP requests from a MAC and
// an address that the open adapter holds at the time of the send (an adapter's addresses
// change under an open handle: a lease, an administrator), and holds every send to its own
// rate cap.
class CaptureService {
  public:
    // Runs the driver call given to it with the raw-frame rights in force; the helper keeps
    // them out of effect at all other times.
    using WithRights = std::function<void(const std::function<void()>&)>;

    CaptureService(ServedPacketDriver& driver, WithRights withRights);

    // The reply body to one request body.
    std::vector<std::uint8_t> Answer(std::span<const std::uint8_t> request);

    // True once the conversation must end (a front end of another version).
    bool Ended() const { return m_ended; }

  private:
    std::vector<std::uint8_t> Hello(std::span<const std::uint8_t> fields);
    std::vector<std::uint8_t> Open(std::span<const std::uint8_t> fields);
    std::vector<std::uint8_t> SendBatch(std::span<const std::uint8_t> fields);
    std::vector<std::uint8_t> Read();
    std::vector<std::uint8_t> Done(bool ok);
    std::vector<std::uint8_t> Failed(const char* what);

    ServedPacketDriver& m_driver;
    WithRights m_withRights;
    bool m_greeted = false;
    bool m_ended = false;
    std::optional<CaptureAdapter> m_open;
};

// Answers the requests that arrive on the stream socket fd until the peer goes away or the
// conversation must end. A message above the size limit is refused and skipped.
void ServeConversation(int fd, CaptureService& service);

}  // namespace halvera
