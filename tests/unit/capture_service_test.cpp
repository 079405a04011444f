#include "capture/capture_service.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ip_address.h"
#include "capture/capture_protocol.h"
#include "net/probe_frame.h"
#include "support/capture_helper_process.h"
#include "support/fake_packet_driver.h"

namespace halvera {
namespace {

using test::Frame;
using test::RefusalOf;

const MacAddress OWN_MAC{0x02, 0x48, 0x4C, 0x56, 0x07, 0x0A};
const MacAddress OTHER_MAC{0x02, 0x48, 0x4C, 0x56, 0x07, 0x15};
const Ipv4 OWN_IP = InetAddr("198.18.7.10");

CaptureAdapter OwnAdapter() {
    return {"eth0", "", OWN_IP, InetAddr("255.255.255.0"), OWN_MAC};
}

Frame Probe(int kind = PROBE_PRESENCE, Ipv4 sender = OWN_IP, const MacAddress& mac = OWN_MAC) {
    const ProbeFrame frame = BuildProbeFrame(kind, {sender, InetAddr("255.255.255.0"), mac});
    return {frame.begin(), frame.end()};
}

Frame Changed(Frame frame, std::size_t at, std::vector<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), frame.begin() + static_cast<long>(at));
    return frame;
}

std::vector<std::uint8_t> Request(CaptureRequest type, std::vector<std::uint8_t> fields = {}) {
    fields.insert(fields.begin(), static_cast<std::uint8_t>(type));
    return fields;
}

std::vector<std::uint8_t> Hello(std::uint16_t version = CAPTURE_PROTOCOL_VERSION) {
    return MessageWriter(static_cast<std::uint8_t>(CaptureRequest::Hello)).U16(version).Take();
}

std::vector<std::uint8_t> OpenAt(std::uint32_t index) {
    return MessageWriter(static_cast<std::uint8_t>(CaptureRequest::Open)).U32(index).Take();
}

std::vector<std::uint8_t> Send(const std::vector<Frame>& frames, std::uint32_t rate = 1000) {
    MessageWriter request(static_cast<std::uint8_t>(CaptureRequest::SendBatch));
    request.U32(rate);
    for (const auto& frame : frames) {
        request.Bytes(frame);
    }
    return request.Take();
}

class CaptureServiceTest : public ::testing::Test {
  protected:
    CaptureServiceTest() { m_driver.adapters = std::vector<CaptureAdapter>{OwnAdapter()}; }

    std::vector<std::uint8_t> Ask(const std::vector<std::uint8_t>& request) {
        return m_service.Answer(request);
    }
    // The service still answers a good request.
    void ExpectStillServing() {
        const auto reply = Ask(Request(CaptureRequest::ListAdapters));
        ASSERT_FALSE(reply.empty());
        EXPECT_EQ(reply[0], static_cast<std::uint8_t>(CaptureReply::Adapters));
        EXPECT_FALSE(m_service.Ended());
    }

    test::FakePacketDriver m_driver;
    int m_rightsRaised = 0;
    CaptureService m_service{m_driver, [this](const std::function<void()>& action) {
                                 ++m_rightsRaised;
                                 action();
                             }};
};

TEST_F(CaptureServiceTest, RefusesBadRequestsAndGoesOnServing) {
    const struct {
        const char* name;
        bool open;  // asked with the adapter open
        std::vector<std::uint8_t> request;
        CaptureRefusal refusal;
    } cases[] = {
        {"empty message", false, {}, CaptureRefusal::Malformed},
        {"garbage", false, {0x42, 0xDE, 0xAD, 0xBE, 0xEF}, CaptureRefusal::UnknownRequest},
        {"hello cut short", false, {0x01, 0x00}, CaptureRefusal::Malformed},
        {"open cut short", false, Request(CaptureRequest::Open, {0, 0}), CaptureRefusal::Malformed},
        {"open with bytes left over", false, Request(CaptureRequest::Open, {0, 0, 0, 0, 7}),
         CaptureRefusal::Malformed},
        {"adapter not in the list", false, OpenAt(1), CaptureRefusal::NoSuchAdapter},
        {"adapter index far out", false, OpenAt(0xFFFFFFFF), CaptureRefusal::NoSuchAdapter},
        {"rights check with a field", false, Request(CaptureRequest::CheckRights, {1}),
         CaptureRefusal::Malformed},
        {"send without an open adapter", false, Send({Probe()}), CaptureRefusal::NotOpen},
        {"read without an open adapter", false, Request(CaptureRequest::Read),
         CaptureRefusal::NotOpen},
        {"second open", true, OpenAt(0), CaptureRefusal::AlreadyOpen},
        {"send cut short", true, Request(CaptureRequest::SendBatch, {0, 0}),
         CaptureRefusal::Malformed},
        {"no frames", true, Send({}), CaptureRefusal::Malformed},
        {"frame of another size", true, Send({Frame(60, 0)}), CaptureRefusal::Malformed},
        {"IPv4 frame", true, Send({Changed(Probe(), 12, {0x08, 0x00})}),
         CaptureRefusal::ForeignFrame},
        {"ARP from another MAC", true,
         Send({Changed(Probe(), 6, {0x02, 0x48, 0x4C, 0x56, 0x07, 0x15})}),
         CaptureRefusal::ForeignFrame},
        {"ARP naming another sender MAC", true,
         Send({Changed(Probe(), 22, {0x02, 0x48, 0x4C, 0x56, 0x07, 0x15})}),
         CaptureRefusal::ForeignFrame},
        {"ARP naming another sender address", true, Send({Changed(Probe(), 28, {198, 18, 7, 99})}),
         CaptureRefusal::ForeignFrame},
        {"ARP reply", true, Send({Changed(Probe(), 20, {0x00, 0x02})}),
         CaptureRefusal::ForeignFrame},
        {"one foreign frame among good ones", true,
         Send({Probe(), Probe(PROBE_B47), Changed(Probe(), 12, {0x86, 0xDD})}),
         CaptureRefusal::ForeignFrame},
    };
    ASSERT_TRUE(RefusalOf(Ask(Hello())) == std::nullopt);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Ask(Request(CaptureRequest::Release));
        if (c.open) {
            ASSERT_EQ(Ask(OpenAt(0)), (std::vector<std::uint8_t>{0x84, 1}));
        }
        EXPECT_EQ(RefusalOf(Ask(c.request)), c.refusal);
        ExpectStillServing();
    }
    EXPECT_TRUE(m_driver.Sent().empty());
}

TEST_F(CaptureServiceTest, NothingButHelloBeforeHelloAndAnotherVersionEndsTheConversation) {
    EXPECT_EQ(RefusalOf(Ask(Request(CaptureRequest::ListAdapters))), CaptureRefusal::NotGreeted);
    EXPECT_EQ(RefusalOf(Ask(OpenAt(0))), CaptureRefusal::NotGreeted);
    EXPECT_TRUE(m_driver.OpenedAdapters().empty());
    EXPECT_FALSE(m_service.Ended());

    EXPECT_EQ(RefusalOf(Ask(Hello(CAPTURE_PROTOCOL_VERSION + 1))), CaptureRefusal::WrongVersion);
    EXPECT_TRUE(m_service.Ended());
}

TEST_F(CaptureServiceTest, SendsTheProbesAtACappedRateAndHandsBackOnlyArp) {
    Ask(Hello());
    const Frame reply = test::ArpReply(InetAddr("198.18.7.21"), OTHER_MAC, OWN_IP, OWN_MAC);
    Frame ipv4 = reply;
    ipv4[13] = 0x00;
    m_driver.Script({test::ScriptedAttempt::Captures({ipv4, reply})});
    ASSERT_EQ(Ask(OpenAt(0)), (std::vector<std::uint8_t>{0x84, 1}));
    const std::vector<Frame> probes{Probe(), Probe(PROBE_B47), Probe(PROBE_B8)};
    EXPECT_EQ(Ask(Send(probes, 0)), (std::vector<std::uint8_t>{0x85, 0, 0, 0, 3}));
    EXPECT_EQ(Ask(Send({Probe()}, 1'000'000'000)), (std::vector<std::uint8_t>{0x85, 0, 0, 0, 1}));
    EXPECT_EQ(m_driver.Rates(), (std::vector<int>{1, MAX_CAPTURE_RATE}));
    ASSERT_EQ(m_driver.Sent().size(), 4u);
    EXPECT_EQ(m_driver.Sent()[1], probes[1]);

    EXPECT_EQ(Ask(Request(CaptureRequest::PrepareRead)), (std::vector<std::uint8_t>{0x84, 1}));
    auto frames = Ask(Request(CaptureRequest::Read));
    MessageReader reader(frames);
    std::uint8_t type = 0;
    std::uint32_t count = 0;
    std::uint16_t size = 0;
    std::span<const std::uint8_t> frame;
    ASSERT_TRUE(reader.U8(type) && reader.U32(count) && reader.U16(size) &&
                reader.Bytes(size, frame) && reader.Finished());
    EXPECT_EQ(type, static_cast<std::uint8_t>(CaptureReply::Frames));
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(Frame(frame.begin(), frame.end()), reply);
    // The rights were in force for the open alone.
    EXPECT_EQ(m_rightsRaised, 1);

    EXPECT_EQ(Ask(Request(CaptureRequest::Close)), (std::vector<std::uint8_t>{0x84, 1}));
    EXPECT_EQ(Ask(OpenAt(0)), (std::vector<std::uint8_t>{0x84, 1}));
}

// The adapter's addresses and MAC change while it is open (a lease, an administrator, an
// interface removed or renamed): every batch is checked against what it holds at that moment.
TEST_F(CaptureServiceTest, ChecksEachBatchAgainstWhatTheAdapterHoldsNow) {
    const Ipv4 second = InetAddr("198.18.7.12");
    const std::vector<std::uint8_t> sentOne{0x85, 0, 0, 0, 1};
    struct Case {
        const char* name;
        std::optional<InterfaceState> now;  // nothing: the interface is gone
        Frame probe;
        std::optional<CaptureRefusal> refusal;  // nothing: sent
    };
    const Case cases[] = {
        {"as opened", InterfaceState{"eth0", OWN_MAC, {OWN_IP}}, Probe(), std::nullopt},
        {"a second address, sent from it", InterfaceState{"eth0", OWN_MAC, {OWN_IP, second}},
         Probe(PROBE_PRESENCE, second), std::nullopt},
        {"the address given up for another", InterfaceState{"eth0", OWN_MAC, {second}}, Probe(),
         CaptureRefusal::ForeignFrame},
        {"no address left", InterfaceState{"eth0", OWN_MAC, {}}, Probe(),
         CaptureRefusal::ForeignFrame},
        {"another MAC, sent from the old one", InterfaceState{"eth0", OTHER_MAC, {OWN_IP}}, Probe(),
         CaptureRefusal::ForeignFrame},
        {"another MAC, sent from it", InterfaceState{"eth0", OTHER_MAC, {OWN_IP}},
         Probe(PROBE_PRESENCE, OWN_IP, OTHER_MAC), std::nullopt},
        {"the interface renamed", InterfaceState{"eth9", OWN_MAC, {OWN_IP}}, Probe(),
         CaptureRefusal::AdapterGone},
        {"the interface gone", std::nullopt, Probe(), CaptureRefusal::AdapterGone},
    };
    Ask(Hello());
    std::size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ask(Request(CaptureRequest::Release));
        ASSERT_EQ(Ask(OpenAt(0)), (std::vector<std::uint8_t>{0x84, 1}));
        m_driver.interfaceNow = c.now;
        m_driver.interfaceGone = !c.now;
        const auto reply = Ask(Send({c.probe}));
        if (c.refusal) {
            EXPECT_EQ(RefusalOf(reply), c.refusal);
        } else {
            EXPECT_EQ(reply, sentOne);
            ++sent;
        }
        // An adapter that is gone or renamed was closed; one that changed its addresses
        // stays open.
        EXPECT_EQ(RefusalOf(Ask(Request(CaptureRequest::Read))),
                  c.refusal == CaptureRefusal::AdapterGone ? std::optional(CaptureRefusal::NotOpen)
                                                           : std::nullopt);
        EXPECT_EQ(m_driver.Sent().size(), sent);
    }
}

// The list is read once for an open, and the adapter of that list is the one opened, even
// when the driver's list has changed since.
TEST_F(CaptureServiceTest, OpensTheAdapterOfTheListItReadThoughTheListChangesBetweenCalls) {
    const CaptureAdapter side{"side0",   "", InetAddr("198.18.8.10"), InetAddr("255.255.255.0"),
                              OTHER_MAC, 7};
    CaptureAdapter own = OwnAdapter();
    own.interfaceIndex = 3;
    class ChangingDriver : public test::FakePacketDriver {
      public:
        std::optional<std::vector<CaptureAdapter>> Adapters() override {
            ++reads;
            auto now = lists.front();
            if (lists.size() > 1) {
                lists.erase(lists.begin());
            }
            return now;
        }
        std::vector<std::vector<CaptureAdapter>> lists;
        int reads = 0;
    } driver;
    // Each read loses the first adapter: the second read would put side0 at position 0.
    driver.lists = {{own, side}, {side}, {}};
    CaptureService service(driver, [](const std::function<void()>& action) { action(); });
    service.Answer(Hello());
    EXPECT_EQ(service.Answer(OpenAt(0)), (std::vector<std::uint8_t>{0x84, 1}));
    EXPECT_EQ(driver.reads, 1);
    EXPECT_EQ(driver.OpenedAdapters(), std::vector<CaptureAdapter>{own});
    EXPECT_TRUE(driver.Opened().empty());
    EXPECT_EQ(service.Answer(Send({Probe()})), (std::vector<std::uint8_t>{0x85, 0, 0, 0, 1}));
}

TEST_F(CaptureServiceTest, AFailedReadClosesTheAttempt) {
    Ask(Hello());
    m_driver.Script({test::ScriptedAttempt::ReadFails()});
    Ask(OpenAt(0));
    EXPECT_EQ(RefusalOf(Ask(Request(CaptureRequest::Read))), CaptureRefusal::DriverFailed);
    EXPECT_EQ(RefusalOf(Ask(Send({Probe()}))), CaptureRefusal::NotOpen);
}

TEST(MessageReader, AFieldPastTheEndFailsEveryReadAfterIt) {
    const std::vector<std::uint8_t> body{0x00, 0x05, 'e', 't', 'h'};
    MessageReader reader(body);
    std::string text;
    std::uint8_t byte = 0;
    EXPECT_FALSE(reader.Text(text));
    EXPECT_TRUE(reader.Failed());
    EXPECT_FALSE(reader.U8(byte));
    EXPECT_FALSE(reader.Finished());
}

TEST(CaptureAdaptersReply, ListCrossesWholeAndACutListIsRefused) {
    const std::vector<CaptureAdapter> adapters{
        OwnAdapter(), {"side0", "veth \xE6\x97\xA5", InetAddr("198.18.8.10"), 0xFFFF, OTHER_MAC}};
    const auto reply = AdaptersReply(adapters);
    const std::span<const std::uint8_t> fields = std::span(reply).subspan(1);
    MessageReader whole(fields);
    EXPECT_EQ(ReadAdapters(whole), adapters);
    for (std::size_t cut = 1; cut < reply.size(); ++cut) {
        MessageReader partial(fields.first(cut - 1));
        EXPECT_EQ(ReadAdapters(partial), std::nullopt) << "cut at " << cut;
    }
}

}  // namespace
}  // namespace halvera
