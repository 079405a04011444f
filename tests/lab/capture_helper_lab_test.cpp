#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/ip_address.h"
#include "capture/capture_protocol.h"
#include "net/local_adapter_info.h"
#include "net/probe_frame.h"
#include "support/capture_helper_process.h"
#include "support/child_process.h"
#include "support/lab.h"
#include "support/lab_fixture.h"
#include "support/lab_packet_driver.h"
#include "support/own_veth_pair.h"
#include "support/recording_error_log.h"
#include "support/wire_capture.h"

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
    const LabHost normal = Lab::Get().Hosts("normal").front();
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

// An ARP frame's sender MAC and address and its target address, as a host on the wire reads
// them.
struct ArpFields {
    MacAddress etherSource{};
    MacAddress senderMac{};
    Ipv4 sender = 0;
    Ipv4 target = 0;
};

std::optional<ArpFields> ArpFieldsOf(const std::vector<std::uint8_t>& frame) {
    if (frame.size() < 42 || frame[12] != 0x08 || frame[13] != 0x06) {
        return std::nullopt;
    }
    ArpFields fields;
    std::memcpy(fields.etherSource.data(), frame.data() + 6, 6);
    std::memcpy(fields.senderMac.data(), frame.data() + 22, 6);
    std::memcpy(&fields.sender, frame.data() + 28, 4);
    std::memcpy(&fields.target, frame.data() + 38, 4);
    return fields;
}

// The adapter's addresses change under an open helper (a lease renewed, an administrator): a
// probe leaves only from an address and a MAC that the adapter holds at that moment, whatever
// it held when it was opened. Each step's probe asks for an address of its own, so the frames
// on the wire tell the steps apart.
TEST_F(CaptureHelperLab, SendsOnlyFromAnAddressAndMacTheAdapterHoldsNow) {
    const LabHost& own = Lab::Get().Own();
    const Ipv4 first = own.address;
    const Ipv4 second = InetAddr("198.18.7.12");
    const MacAddress firstMac = m_local.ownMac;
    const MacAddress secondMac{0x02, 0x48, 0x4C, 0x56, 0x07, 0x0B};
    const std::string firstText = FormatIp(first) + "/24";
    // A host address of its own, not a secondary of the first, so that giving up the first
    // leaves it in place.
    const std::string secondText = FormatIp(second) + "/32";
    struct Step {
        const char* name;
        std::vector<std::string> change;  // ip's arguments, or nothing
        Ipv4 sender;
        MacAddress mac;
        bool sent;
        Ipv4 target;
    };
    const Step steps[] = {
        {"as opened", {}, first, firstMac, true, InetAddr("198.18.7.201")},
        {"a second address, sent from",
         {"addr", "add", secondText, "dev", own.interface},
         second,
         firstMac,
         true,
         InetAddr("198.18.7.202")},
        {"a second address, sent from the first",
         {},
         first,
         firstMac,
         true,
         InetAddr("198.18.7.203")},
        {"the first address given up",
         {"addr", "del", firstText, "dev", own.interface},
         first,
         firstMac,
         false,
         InetAddr("198.18.7.204")},
        {"the first address given up, sent from the second",
         {},
         second,
         firstMac,
         true,
         InetAddr("198.18.7.205")},
        {"another MAC, sent from the old one",
         {"link", "set", "dev", own.interface, "address", "02:48:4c:56:07:0b"},
         second,
         firstMac,
         false,
         InetAddr("198.18.7.206")},
        {"another MAC, sent from it", {}, second, secondMac, true, InetAddr("198.18.7.207")},
    };
    std::vector<std::vector<std::uint8_t>> frames;
    {
        test::WireCapture wire(own.interface, "arp and arp[6:2] = 1");
        ASSERT_TRUE(wire.Started());
        for (const Step& step : steps) {
            SCOPED_TRACE(step.name);
            if (!step.change.empty()) {
                ASSERT_EQ(test::Ip(step.change), 0);
            }
            LocalAdapterInfo local = m_local;
            local.ownAddress = step.sender;
            local.ownMac = step.mac;
            ProbeFrame probe = BuildProbeFrame(PROBE_PRESENCE, local);
            SetProbeTarget(probe, step.target);
            const auto reply = m_helper->Ask(Send(Bytes(probe.begin(), probe.end())));
            ASSERT_TRUE(reply.has_value());
            if (step.sent) {
                EXPECT_EQ(*reply, (Bytes{0x85, 0, 0, 0, 1}));
            } else {
                EXPECT_EQ(RefusalOf(*reply), CaptureRefusal::ForeignFrame);
            }
        }
        frames = wire.Frames();
    }
    test::Ip({"link", "set", "dev", own.interface, "address", own.mac});
    test::Ip({"addr", "add", firstText, "dev", own.interface});
    test::Ip({"addr", "del", secondText, "dev", own.interface});

    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        int seen = 0;
        for (const auto& frame : frames) {
            const auto fields = ArpFieldsOf(frame);
            if (!fields || fields->target != step.target) {
                continue;
            }
            ++seen;
            EXPECT_EQ(fields->sender, step.sender);
            EXPECT_EQ(fields->senderMac, step.mac);
            EXPECT_EQ(fields->etherSource, step.mac);
        }
        EXPECT_EQ(seen, step.sent ? 1 : 0);
    }
}

// The position and entry of the adapter with this name in the helper's list.
std::optional<std::pair<std::uint32_t, CaptureAdapter>> ListedAs(test::CaptureHelperProcess& helper,
                                                                 const std::string& name) {
    const auto listed = helper.Ask(Request(CaptureRequest::ListAdapters));
    if (!listed || listed->empty()) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> body(*listed);
    MessageReader reader(body.subspan(1));
    const auto adapters = ReadAdapters(reader);
    for (std::uint32_t i = 0; adapters && i < adapters->size(); ++i) {
        if ((*adapters)[i].name == name) {
            return std::pair{i, (*adapters)[i]};
        }
    }
    return std::nullopt;
}

// An adapter removed and made again under the same name, MAC and address after the helper
// opened it is another interface: the helper refuses to send by it and closes it, and nothing
// leaves by the new one.
TEST_F(CaptureHelperLab, RefusesAndClosesAnAdapterRenumberedAfterTheOpen) {
    test::OwnVethPair pair("hlvcap0", "hlvcap1");
    ASSERT_TRUE(pair.Made());
    test::CaptureHelperProcess helper;
    ASSERT_TRUE(helper.Ask(test::CaptureHello()).has_value());
    const auto listed = ListedAs(helper, "hlvcap0");
    ASSERT_TRUE(listed.has_value());
    const auto& [index, adapter] = *listed;
    ASSERT_EQ(helper.Ask(Open(index)), (Bytes{0x84, 1}));

    ASSERT_TRUE(pair.Renumber());
    const Ipv4 target = InetAddr("198.18.9.21");
    ProbeFrame probe = BuildProbeFrame(
        PROBE_PRESENCE, LocalAdapterInfo{adapter.address, adapter.mask, adapter.mac});
    SetProbeTarget(probe, target);
    std::vector<std::vector<std::uint8_t>> frames;
    {
        test::WireCapture wire("hlvcap1", "arp");
        ASSERT_TRUE(wire.Started());
        const auto reply = helper.Ask(Send(Bytes(probe.begin(), probe.end())));
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(RefusalOf(*reply), CaptureRefusal::AdapterGone);
        const auto read = helper.Ask(Request(CaptureRequest::Read));
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(RefusalOf(*read), CaptureRefusal::NotOpen);
        frames = wire.Frames();
    }
    for (const auto& frame : frames) {
        const auto fields = ArpFieldsOf(frame);
        EXPECT_FALSE(fields && fields->target == target) << "the probe left";
    }
    // The adapter as it is now opens afresh and sends.
    const auto again = ListedAs(helper, "hlvcap0");
    ASSERT_TRUE(again.has_value());
    ASSERT_EQ(helper.Ask(Open(again->first)), (Bytes{0x84, 1}));
    EXPECT_EQ(helper.Ask(Send(Bytes(probe.begin(), probe.end()))), (Bytes{0x85, 0, 0, 0, 1}));
}

}  // namespace
}  // namespace halvera
