#include "support/simulated_segment.h"

#include "capture/frame_batch.h"

#include <algorithm>
#include <cstring>

namespace halvera::test {

std::optional<std::vector<CaptureAdapter>> SimulatedSegment::Adapters() {
    return std::vector<CaptureAdapter>(1);
}

bool SimulatedSegment::Open(int adapterIndex) {
    m_open = adapterIndex == 0;
    m_captured.clear();
    return m_open;
}

bool SimulatedSegment::Send(std::span<const std::uint8_t> frame) {
    if (!m_open || frame.size() < PROBE_FRAME_SIZE) {
        return false;
    }
    ++m_requests;
    TestBits needed = 0;
    bool known = false;
    for (int kind : {PROBE_PRESENCE, PROBE_B47, PROBE_B16, PROBE_B8}) {
        const MacAddress destination = ProbeDestination(kind);
        if (std::equal(destination.begin(), destination.end(), frame.begin())) {
            needed = ProbeTestBit(kind);
            known = true;
        }
    }
    Ipv4 sender = 0;
    Ipv4 target = 0;
    std::memcpy(&sender, frame.data() + 28, 4);
    std::memcpy(&target, frame.data() + 38, 4);
    for (const Host& host : m_hosts) {
        if (known && host.ip == target && (host.answers & needed) == needed) {
            MacAddress senderMac;
            std::copy_n(frame.begin() + 6, 6, senderMac.begin());
            Frame reply = ArpReply(host.ip, host.mac, sender, senderMac);
            m_captured.push_back(std::move(reply));
        }
    }
    return true;
}

int SimulatedSegment::SendBatch(std::span<const std::uint8_t> frames, std::size_t frameSize, int) {
    return SendEachFrame(frames, frameSize,
                         [this](std::span<const std::uint8_t> frame) { return Send(frame); });
}

int SimulatedSegment::ReadCaptured(const FrameVisitor& visit) {
    if (!m_open || m_failReads) {
        return -1;
    }
    int frames = 0;
    for (; !m_captured.empty(); m_captured.pop_front()) {
        visit(m_captured.front());
        ++frames;
    }
    return frames;
}

}  // namespace halvera::test
