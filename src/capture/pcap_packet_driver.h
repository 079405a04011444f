#pragma once

#include <string>

#include "capture/frame_pacer.h"
#include "capture/served_packet_driver.h"

struct pcap;

namespace halvera {

// The packet driver on libpcap. Its adapters are those of ListInterfaceAdapters. Capture is
// promiscuous, in immediate mode, limited to ARP, and read without blocking after the caller's
// wait.
class PcapPacketDriver final : public ServedPacketDriver {
  public:
    // Opening and closing a capture handle costs about a third of the default TIMEOUT, so
    // by default Close keeps the handle for the next attempt on the same adapter; the next
    // Open then drops what was captured in between, which gives the same window as a fresh
    // handle. PerAttempt closes it at every Close.
    enum class HandleUse { PerRun, PerAttempt };

    explicit PcapPacketDriver(HandleUse use = HandleUse::PerRun);
    ~PcapPacketDriver() override;
    PcapPacketDriver(const PcapPacketDriver&) = delete;
    PcapPacketDriver& operator=(const PcapPacketDriver&) = delete;

    RawSocketCheck TryRawSocket() override;
    std::optional<std::vector<CaptureAdapter>> Adapters() override;
    bool Open(int adapterIndex) override;
    bool OpenAdapter(const CaptureAdapter& adapter) override;
    std::optional<InterfaceState> OpenInterfaceNow() override;
    bool Send(std::span<const std::uint8_t> frame) override;
    int SendBatch(std::span<const std::uint8_t> frames, std::size_t frameSize,
                  int framesPerSecond) override;
    bool PrepareRead() override;
    int ReadCaptured(const FrameVisitor& visit) override;
    void Close() override;
    void Release() override;

    // libpcap's text for the last failure, for diagnostics beside the fixed log lines.
    const std::string& LastError() const { return m_lastError; }

  private:
    bool OpenHandle(const CaptureAdapter& adapter);
    bool DropCaptured();

    HandleUse m_use;
    pcap* m_handle = nullptr;
    std::string m_openName;
    int m_openIndex = 0;
    std::string m_lastError;
    FramePacer m_pacer;
};

}  // namespace halvera
