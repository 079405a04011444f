#include "support/fake_packet_driver.h"

#include "capture/frame_batch.h"

#include <cstring>

namespace halvera::test {

Frame ArpReply(Ipv4 from, const MacAddress& fromMac, Ipv4 to, const MacAddress& toMac) {
    Frame f(42, 0);
    std::copy(toMac.begin(), toMac.end(), f.begin());
    std::copy(fromMac.begin(), fromMac.end(), f.begin() + 6);
    f[12] = 0x08;
    f[13] = 0x06;
    f[14] = 0x00;
    f[15] = 0x01;
    f[16] = 0x08;
    f[17] = 0x00;
    f[18] = 6;
    f[19] = 4;
    f[21] = 2;
    std::copy(fromMac.begin(), fromMac.end(), f.begin() + 22);
    std::memcpy(f.data() + 28, &from, 4);
    std::copy(toMac.begin(), toMac.end(), f.begin() + 32);
    std::memcpy(f.data() + 38, &to, 4);
    return f;
}

void FakePacketDriver::Script(std::vector<ScriptedAttempt> attempts) {
    m_script.assign(attempts.begin(), attempts.end());
}

bool FakePacketDriver::Open(int adapterIndex) {
    m_opened.push_back(adapterIndex);
    return StartAttempt();
}

bool FakePacketDriver::OpenAdapter(const CaptureAdapter& adapter) {
    m_openedAdapters.push_back(adapter);
    return StartAttempt();
}

std::optional<InterfaceState> FakePacketDriver::OpenInterfaceNow() {
    if (!m_open || interfaceGone || m_openedAdapters.empty()) {
        return std::nullopt;
    }
    if (interfaceNow) {
        return interfaceNow;
    }
    const CaptureAdapter& opened = m_openedAdapters.back();
    return InterfaceState{opened.name, opened.mac, {opened.address}};
}

bool FakePacketDriver::StartAttempt() {
    m_current = ScriptedAttempt::Silence();
    if (!m_script.empty()) {
        m_current = m_script.front();
        m_script.pop_front();
    }
    m_open = m_current.opens;
    return m_open;
}

bool FakePacketDriver::Send(std::span<const std::uint8_t> frame) {
    m_sent.emplace_back(frame.begin(), frame.end());
    return m_open && m_current.sends;
}

int FakePacketDriver::SendBatch(std::span<const std::uint8_t> frames, std::size_t frameSize,
                                int framesPerSecond) {
    m_rates.push_back(framesPerSecond);
    return SendEachFrame(frames, frameSize,
                         [this](std::span<const std::uint8_t> frame) { return Send(frame); });
}

bool FakePacketDriver::PrepareRead() {
    return m_open && m_current.prepares;
}

int FakePacketDriver::ReadCaptured(const FrameVisitor& visit) {
    if (!m_open || !m_current.captured) {
        return -1;
    }
    for (const Frame& frame : *m_current.captured) {
        visit(frame);
    }
    return static_cast<int>(m_current.captured->size());
}

void FakePacketDriver::Close() {
    ++m_closes;
    m_open = false;
}

}  // namespace halvera::test
