#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>
#include <vector>

#include "base/ip_address.h"
#include "capture/capture_protocol.h"
#include "net/local_adapter_info.h"
#include "net/probe_frame.h"
#include "support/capture_helper_process.h"
#include "support/lab.h"
#include "support/lab_fixture.h"
#include "support/lab_packet_driver.h"
#include "support/recording_error_log.h"

// The build's halvera-capture on the lab's segment, with the own host's adapter open: what
// it refuses to send, and what it does send.
namespace halvera {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::Lab;
using test::LabHost;
using test::RefusalOf;

Bytes Request(CaptureRequest type) {
    return {static_cast<std::uint8_t>(type)};
}

Bytes Open(std::uint32_t index) {
    return MessageWriter(static_cast<std::uint8_t>(CaptureRequest::Open)).U32(index).Take();
}

Bytes Send(const Bytes& frame) {
    return MessageWriter(static_cast<std::uint8_t>(CaptureRequest::SendBatch))
        .U32(1000)
        .Bytes(frame)
        .Take();
}

class CaptureHelperLab : public test::LabFixture {
  protected:
    void SetUp() override {
        if (std::getenv("HALVERA_CAPTURE") != nullptr) {
            GTEST_SKIP() << "speaks to the helper itself either way";
        }
        LabFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        const auto driver = test::LabPacketDriver();
        m_adpnum = Lab::AdapterIndexOf(*driver, Lab::Get().Own());
        ASSERT_GE(m_adpnum, 0);
        test::RecordingErrorLog log;
        ASSERT_EQ(ReadLocalAdapter(*driver, m_adpnum, log, m_local), 0);
        // Started from the own host's namespace, so that its adapters are the lab's.
        m_helper.emplace();
        ASSERT_TRUE(m_helper->Ask(test::CaptureHello()).has_value());
        ASSERT_EQ(m_helper->Ask(Open(static_cast<std::uint32_t>(m_adpnum))), (Bytes{0x84, 1}));
    }

    Bytes ProbeTo(Ipv4 target) {
        ProbeFrame frame = BuildProbeFrame(PROBE_PRESENCE, m_local);
        SetProbeTarget(frame, target);
        return {frame.begin(), frame.end()};
    }

    std::optional<test::CaptureHelperProcess> m_helper;
    LocalAdapterInfo m_local;
    int m_adpnum = -1;
};

TEST_F(CaptureHelperLab, RefusesWhatIsNoProbeOfItsAdapterAndSendsTheProbes) {
    const LabHost& normal = Lab::Get().Hosts("normal").front();
    const Bytes probe = ProbeTo(normal.address);
    Bytes ipv4 = probe;
    ipv4[13] = 0x00;
    Bytes otherMac = probe;
    otherMac[11] ^= 0x01;
    const struct {
        const char* name;
        Bytes request;
        CaptureRefusal refusal;
    } cases[] = {
        {"a second open", Open(static_cast<std::uint32_t>(m_adpnum)), CaptureRefusal::AlreadyOpen},
        {"a non-ARP frame", Send(ipv4), CaptureRefusal::ForeignFrame},
        {"an ARP frame from another MAC", Send(otherMac), CaptureRefusal::ForeignFrame},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto reply = m_helper->Ask(c.request);
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(RefusalOf(*reply), c.refusal);
    }

    EXPECT_EQ(m_helper->Ask(Send(probe)), (Bytes{0x85, 0, 0, 0, 1}));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(m_helper->Ask(Request(CaptureRequest::PrepareRead)), (Bytes{0x84, 1}));
    const auto frames = m_helper->Ask(Request(CaptureRequest::Read));
    ASSERT_TRUE(frames.has_value());
    MessageReader reader(*frames);
    std::uint8_t type = 0;
    std::uint32_t count = 0;
    ASSERT_TRUE(reader.U8(type) && reader.U32(count));
    EXPECT_EQ(type, static_cast<std::uint8_t>(CaptureReply::Frames));
    bool answered = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint16_t size = 0;
        std::span<const std::uint8_t> frame;
        ASSERT_TRUE(reader.U16(size) && reader.Bytes(size, frame));
        answered = answered || ParseArpReplyTo(frame, m_local.ownMac, m_local.ownAddress)
                                       .value_or(ArpReplySender{})
                                       .address == normal.address;
    }
    EXPECT_TRUE(answered) << "no reply from " << FormatIp(normal.address);
}

}  // namespace
}  // namespace halvera
