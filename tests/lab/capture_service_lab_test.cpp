#include "capture/capture_service.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/ip_address.h"
#include "capture/capture_protocol.h"
#include "capture/pcap_packet_driver.h"
#include "net/local_adapter_info.h"
#include "net/probe_frame.h"
#include "support/capture_helper_process.h"
#include "support/child_process.h"
#include "support/lab.h"
#include "support/lab_fixture.h"
#include "support/own_veth_pair.h"
#include "support/wire_capture.h"

// The capture helper's service over the real libpcap driver in the own host, while the
// host's adapters change between the service's look-up and the driver's open.
namespace halvera {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::RefusalOf;

// libpcap's driver, whose adapter list changes once, right after the first time it was read.
class ListChangingDriver final : public ServedPacketDriver {
  public:
    explicit ListChangingDriver(std::function<void()> afterFirstList)
        : m_afterFirstList(std::move(afterFirstList)) {}

    RawSocketCheck TryRawSocket() override { return m_real.TryRawSocket(); }
    std::optional<std::vector<CaptureAdapter>> Adapters() override {
        auto adapters = m_real.Adapters();
        if (m_afterFirstList) {
            std::exchange(m_afterFirstList, nullptr)();
        }
        return adapters;
    }
    bool Open(int adapterIndex) override { return m_real.Open(adapterIndex); }
    bool OpenAdapter(const CaptureAdapter& adapter) override { return m_real.OpenAdapter(adapter); }
    std::optional<InterfaceState> OpenInterfaceNow() override { return m_real.OpenInterfaceNow(); }
    bool Send(std::span<const std::uint8_t> frame) override { return m_real.Send(frame); }
    int SendBatch(std::span<const std::uint8_t> frames, std::size_t frameSize,
                  int framesPerSecond) override {
        return m_real.SendBatch(frames, frameSize, framesPerSecond);
    }
    bool PrepareRead() override { return m_real.PrepareRead(); }
    int ReadCaptured(const FrameVisitor& visit) override { return m_real.ReadCaptured(visit); }
    void Close() override { m_real.Close(); }
    void Release() override { m_real.Release(); }

  private:
    PcapPacketDriver m_real{PcapPacketDriver::HandleUse::PerAttempt};
    std::function<void()> m_afterFirstList;
};

std::string WithPrefix(const CaptureAdapter& adapter) {
    return FormatIp(adapter.address) + "/" + std::to_string(std::popcount(adapter.mask));
}

class CaptureServiceLab : public test::LabFixture {
  protected:
    void SetUp() override {
        if (std::getenv("HALVERA_CAPTURE") != nullptr) {
            GTEST_SKIP() << "drives the helper's service in this process either way";
        }
        LabFixture::SetUp();
    }
};

// The first adapter gives up its address right after the service read the list, so that the
// second moves up to its place: the service opens the adapter it looked up, or none, and no
// frame of the first adapter leaves by the second, nor from an address it gave up.
TEST_F(CaptureServiceLab, OpensTheAdapterItLookedUpWhenTheListChangesBeforeTheOpen) {
    PcapPacketDriver lister;
    const auto adapters = lister.Adapters();
    ASSERT_TRUE(adapters.has_value());
    ASSERT_GE(adapters->size(), 2u) << "the own host has eth0 and side0";
    const CaptureAdapter chosen = (*adapters)[0];
    const CaptureAdapter next = (*adapters)[1];

    ListChangingDriver driver([&] {
        EXPECT_EQ(test::Ip({"addr", "del", WithPrefix(chosen), "dev", chosen.name}), 0);
    });
    CaptureService service(driver, [](const std::function<void()>& action) { action(); });
    ProbeFrame probe =
        BuildProbeFrame(PROBE_PRESENCE, LocalAdapterInfo{chosen.address, chosen.mask, chosen.mac});
    const Ipv4 target = InetAddr("198.18.7.211");
    SetProbeTarget(probe, target);

    std::vector<std::vector<std::uint8_t>> onNext;
    std::vector<std::vector<std::uint8_t>> onChosen;
    {
        test::WireCapture nextWire(next.name, "arp");
        test::WireCapture chosenWire(chosen.name, "arp");
        ASSERT_TRUE(nextWire.Started() && chosenWire.Started());
        ASSERT_EQ(RefusalOf(service.Answer(test::CaptureHello())), std::nullopt);
        service.Answer(
            MessageWriter(static_cast<std::uint8_t>(CaptureRequest::Open)).U32(0).Take());
        const Bytes reply =
            service.Answer(MessageWriter(static_cast<std::uint8_t>(CaptureRequest::SendBatch))
                               .U32(1000)
                               .Bytes(probe)
                               .Take());
        const auto refusal = RefusalOf(reply);
        EXPECT_TRUE(refusal == CaptureRefusal::ForeignFrame || refusal == CaptureRefusal::NotOpen)
            << "the probe left";
        onNext = nextWire.Frames();
        onChosen = chosenWire.Frames();
    }
    service.Answer(Bytes{static_cast<std::uint8_t>(CaptureRequest::Release)});
    test::Ip({"addr", "add", WithPrefix(chosen), "dev", chosen.name});

    for (const auto& [wire, frames] : {std::pair{next.name, onNext}, {chosen.name, onChosen}}) {
        for (const auto& frame : frames) {
            EXPECT_FALSE(frame.size() >= 42 && std::memcmp(frame.data() + 38, &target, 4) == 0)
                << "the probe left by " << wire;
        }
    }
}

std::optional<CaptureAdapter> AdapterNamed(PacketDriver& driver, const std::string& name) {
    const auto adapters = driver.Adapters();
    for (const CaptureAdapter& adapter : adapters.value_or(std::vector<CaptureAdapter>{})) {
        if (adapter.name == name) {
            return adapter;
        }
    }
    return std::nullopt;
}

// libpcap opens by name: an adapter listed before its interface was removed and made again
// under the same name, MAC and address is not opened; the one listed now is, and the kernel
// tells what it holds.
TEST_F(CaptureServiceLab, TheDriverOpensAnAdapterOnlyUnderTheInterfaceIndexListed) {
    test::OwnVethPair pair("hlvcap0", "hlvcap1");
    ASSERT_TRUE(pair.Made());
    PcapPacketDriver driver;
    const auto before = AdapterNamed(driver, "hlvcap0");
    ASSERT_TRUE(before.has_value());
    ASSERT_TRUE(pair.Renumber());
    const auto after = AdapterNamed(driver, "hlvcap0");
    ASSERT_TRUE(after.has_value());
    ASSERT_NE(before->interfaceIndex, after->interfaceIndex);

    EXPECT_FALSE(driver.OpenAdapter(*before));
    EXPECT_EQ(driver.OpenInterfaceNow(), std::nullopt);
    ASSERT_TRUE(driver.OpenAdapter(*after));
    EXPECT_EQ(driver.OpenInterfaceNow(),
              (InterfaceState{"hlvcap0", after->mac, {InetAddr(test::OwnVethPair::ADDRESS)}}));
    driver.Release();
    EXPECT_EQ(driver.OpenInterfaceNow(), std::nullopt);
}

}  // namespace
}  // namespace halvera
