#pragma once

#include <deque>
#include <vector>

#include "capture/packet_driver.h"
#include "net/probe_frame.h"
#include "support/fake_packet_driver.h"

namespace halvera::test {

// A packet driver in front of a pretend Ethernet segment: every ARP request sent is
// answered at once (to the requester's MAC) by the hosts that have its target address and accept
// its destination (broadcast always, a fake destination when the host answers that test). One
// adapter.
class SimulatedSegment : public PacketDriver {
  public:
    struct Host {
        Ipv4 ip = 0;
        MacAddress mac{};
        TestBits answers = 0;  // the fake destinations it accepts: TEST_B47 | TEST_B16 | TEST_B8
    };

    void SetHosts(std::vector<Host> hosts) { m_hosts = std::move(hosts); }
    // From now on every read fails, as when the adapter goes away.
    void FailReads() { m_failReads = true; }
    int Requests() const { return m_requests; }

    RawSocketCheck TryRawSocket() override { return RawSocketCheck::Allowed; }
    std::optional<std::vector<CaptureAdapter>> Adapters() override;
    bool Open(int adapterIndex) override;
    bool Send(std::span<const std::uint8_t> frame) override;
    int SendBatch(std::span<const std::uint8_t> frames, std::size_t frameSize,
                  int framesPerSecond) override;
    bool PrepareRead() override { return m_open; }
    int ReadCaptured(const FrameVisitor& visit) override;
    void Close() override { m_open = false; }
    void Release() override {}

  private:
    std::vector<Host> m_hosts;
    std::deque<Frame> m_captured;
    bool m_open = false;
    bool m_failReads = false;
    int m_requests = 0;
};

}  // namespace halvera::test
