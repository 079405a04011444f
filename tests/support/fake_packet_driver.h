#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "capture/served_packet_driver.h"

namespace halvera::test {

using Frame = std::vector<std::uint8_t>;

// An ARP reply from `from` (MAC fromMac) to `to` (MAC toMac, also its Ethernet destination).
Frame ArpReply(Ipv4 from, const MacAddress& fromMac, Ipv4 to, const MacAddress& toMac);

// What the fake does in one attempt. The default is a quiet segment: everything works and
// nothing is captured.
struct ScriptedAttempt {
    bool opens = true;
    bool sends = true;
    bool prepares = true;
    std::optional<std::vector<Frame>> captured = std::vector<Frame>{};  // nothing: read fails

    static ScriptedAttempt Silence() { return {}; }
    static ScriptedAttempt Captures(std::vector<Frame> frames) {
        ScriptedAttempt a;
        a.captured = std::move(frames);
        return a;
    }
    static ScriptedAttempt ReadFails() {
        ScriptedAttempt a;
        a.captured.reset();
        return a;
    }
};

// A packet driver that plays a script of attempts in order (silence once the script runs
// out) and records what the code under test sent and in which order it called.
class FakePacketDriver : public ServedPacketDriver {
  public:
    RawSocketCheck rawSocket = RawSocketCheck::Allowed;
    std::optional<std::vector<CaptureAdapter>> adapters = std::vector<CaptureAdapter>{};
    // What OpenInterfaceNow answers while an adapter is open: the adapter as OpenAdapter got
    // it, unless a test sets what it holds now, or that it is gone.
    std::optional<InterfaceState> interfaceNow;
    bool interfaceGone = false;

    void Script(std::vector<ScriptedAttempt> attempts);

    // Frames handed to Send, in order, the adapter index of every Open and the adapter of
    // every OpenAdapter.
    const std::vector<Frame>& Sent() const { return m_sent; }
    const std::vector<int>& Opened() const { return m_opened; }
    const std::vector<CaptureAdapter>& OpenedAdapters() const { return m_openedAdapters; }
    int Closes() const { return m_closes; }
    // The rate cap of every SendBatch, in call order.
    const std::vector<int>& Rates() const { return m_rates; }
    bool IsOpen() const { return m_open; }

    RawSocketCheck TryRawSocket() override { return rawSocket; }
    std::optional<std::vector<CaptureAdapter>> Adapters() override { return adapters; }
    bool Open(int adapterIndex) override;
    bool OpenAdapter(const CaptureAdapter& adapter) override;
    std::optional<InterfaceState> OpenInterfaceNow() override;
    bool Send(std::span<const std::uint8_t> frame) override;
    int SendBatch(std::span<const std::uint8_t> frames, std::size_t frameSize,
                  int framesPerSecond) override;
    bool PrepareRead() override;
    int ReadCaptured(const FrameVisitor& visit) override;
    void Close() override;
    void Release() override {}

  private:
    bool StartAttempt();

    std::deque<ScriptedAttempt> m_script;
    ScriptedAttempt m_current;
    bool m_open = false;
    std::vector<Frame> m_sent;
    std::vector<int> m_opened;
    std::vector<CaptureAdapter> m_openedAdapters;
    int m_closes = 0;
    std::vector<int> m_rates;
};

}  // namespace halvera::test
