#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/text_codec.h"
#include "net/arp_probe.h"
#include "net/arp_sweep.h"
#include "net/packet_attempt.h"
#include "support/own_adapter_lab_fixture.h"

namespace halvera {
namespace {

using test::Lab;
using test::LabHost;
using LogLines = std::vector<std::pair<std::string, std::string>>;

constexpr int TIMEOUT = 100;
constexpr int RETRY = 3;

// A datagram to the discard port makes the kernel resolve the address with ARP first.
bool SendUdpFromOwnKernel(Ipv4 to) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(9);
    address.sin_addr.s_addr = to;
    const bool sent =
        sendto(fd, "x", 1, 0, reinterpret_cast<sockaddr*>(&address), sizeof address) == 1;
    close(fd);
    return sent;
}

// Drops the own kernel's neighbour entry of an address, so that its next datagram there
// starts with an ARP request of the kernel's own.
bool ForgetNeighbour(const std::string& interface, Ipv4 address) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    arpreq request{};
    auto* protocol = reinterpret_cast<sockaddr_in*>(&request.arp_pa);
    protocol->sin_family = AF_INET;
    protocol->sin_addr.s_addr = address;
    std::strncpy(request.arp_dev, interface.c_str(), sizeof request.arp_dev - 1);
    const bool dropped = ioctl(fd, SIOCDARP, &request) == 0 || errno == ENXIO;
    close(fd);
    return dropped;
}

// The sockets of this process that a started program would inherit.
std::set<int> InheritedSockets() {
    std::set<int> sockets;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(entry.path(), error).string();
        const int fd = std::atoi(entry.path().filename().c_str());
        if (!error && target.starts_with("socket:") && (fcntl(fd, F_GETFD) & FD_CLOEXEC) == 0) {
            sockets.insert(fd);
        }
    }
    return sockets;
}

// Probes from the own host of the lab through the real libpcap driver.
class ArpProbeLab : public test::OwnAdapterLabFixture {
  protected:
    PacketAttempt Attempt(WindowWait wait = SleepFor) {
        return {m_driver, m_log, m_prompt, m_adpnum, TIMEOUT, std::move(wait)};
    }
};

TEST_F(ArpProbeLab, PresenceTestBitsAndVerdictOfEachHostKind) {
    struct Expected {
        int result;
        TestBits bits;
        bool sniffingUnder7, sniffingUnder3, sniffingUnderAny, sniffingUnder0;
    };
    const std::map<std::string, Expected> byKind = {
        {"normal", {1, 0, false, false, false, false}},
        {"sniffing", {1, TEST_B47 | TEST_B16 | TEST_B8, true, true, true, false}},
        {"partial", {1, TEST_B47 | TEST_B16, false, true, true, false}},
        {"empty", {2, 0, false, false, false, false}},
    };
    const auto hosts = Lab::Get().Hosts({"normal", "sniffing", "partial", "empty"});
    ASSERT_FALSE(Lab::Get().Hosts("empty").empty());
    for (const auto& host : hosts) {
        SCOPED_TRACE(host.kind + " " + FormatIp(host.address));
        const Expected& e = byKind.at(host.kind);
        TestBits bits = 0;
        EXPECT_EQ(ProbeNode(Attempt(), m_local, host.address, RETRY, bits), e.result);
        EXPECT_EQ(bits, e.bits);
        EXPECT_EQ(IsSniffing(7, bits), e.sniffingUnder7);
        EXPECT_EQ(IsSniffing(3, bits), e.sniffingUnder3);
        EXPECT_EQ(IsSniffing(0x80, bits), e.sniffingUnderAny);
        EXPECT_EQ(IsSniffing(0, bits), e.sniffingUnder0);
    }
    EXPECT_TRUE(m_log.Lines().empty());
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

TEST_F(ArpProbeLab, KeptHandleDropsRepliesCapturedBetweenAttempts) {
    // The partial host answers the broadcast request but never B8. A reply it sends between
    // two attempts (here to the own kernel's own ARP request) must not count in the next.
    const LabHost partial = Lab::Get().Hosts("partial").at(0);
    ProbeFrame b8 = BuildProbeFrame(PROBE_B8, m_local);
    ASSERT_EQ(SendAndCapture(Attempt(), b8, partial.address), 2);
    ASSERT_TRUE(SendUdpFromOwnKernel(partial.address));
    SleepFor(std::chrono::milliseconds(50));
    EXPECT_EQ(SendAndCapture(Attempt(), b8, partial.address), 2);
}

TEST_F(ArpProbeLab, ReplyToTheOwnKernelsRequestInATestWindowIsNoAnswer) {
    // A normal host answers the kernel's own look-up of its address (a datagram sent while
    // its entry had expired) to the own MAC, just as a sniffing host answers a fake
    // destination. While a test window is open that reply may not mark it.
    const LabHost own = Lab::Get().Own();
    const LabHost normal = Lab::Get().Hosts("normal").at(0);
    const auto kernelAsks = [&](std::chrono::milliseconds timeout) {
        EXPECT_TRUE(ForgetNeighbour(own.interface, normal.address));
        EXPECT_TRUE(SendUdpFromOwnKernel(normal.address));
        SleepFor(timeout);
    };
    for (int kind : {PROBE_B47, PROBE_B16, PROBE_B8}) {
        SCOPED_TRACE(kind);
        ProbeFrame frame = BuildProbeFrame(kind, m_local);
        EXPECT_EQ(SendAndCapture(Attempt(kernelAsks), frame, normal.address), 3);
    }
    TestBits bits = 0;
    EXPECT_EQ(ProbeNode(Attempt(kernelAsks), m_local, normal.address, RETRY, bits), 1);
    EXPECT_EQ(bits, 0u);
    const SweepTarget target{normal.address, RETRY};
    const auto outcomes = SweepBlock(Attempt(kernelAsks), m_local, {&target, 1});
    EXPECT_EQ(outcomes.at(0).result, 1);
    EXPECT_EQ(outcomes.at(0).bits, 0u);
    EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(ArpProbeLab, InterfaceTakenDownMidProbeIsAnError) {
    const LabHost own = Lab::Get().Own();
    const LabHost empty = Lab::Get().Hosts("empty").at(0);
    ProbeFrame frame = BuildProbeFrame(PROBE_PRESENCE, m_local);
    const int result = SendAndCapture(Attempt([&](std::chrono::milliseconds timeout) {
                                          Lab::SetLinkUp(own.interface, false);
                                          SleepFor(timeout);
                                      }),
                                      frame, empty.address);
    ASSERT_TRUE(Lab::SetLinkUp(own.interface, true));
    EXPECT_EQ(result, -1);
    EXPECT_EQ(m_log.Lines(), (LogLines{{"netmond", "PacketReceivePacket error"}}));
}

TEST_F(ArpProbeLab, TheCaptureSocketIsNotInheritedByStartedPrograms) {
    const std::set<int> before = InheritedSockets();
    ASSERT_TRUE(m_driver.Open(m_adpnum));
    EXPECT_EQ(InheritedSockets(), before);
    m_driver.Close();
}

TEST_F(ArpProbeLab, AdapterPastTheListDoesNotOpen) {
    ProbeFrame frame = BuildProbeFrame(PROBE_PRESENCE, m_local);
    PacketAttempt attempt = Attempt();
    attempt.adapterIndex = static_cast<int>(m_driver.Adapters()->size());
    EXPECT_EQ(SendAndCapture(attempt, frame, Lab::Get().Hosts("normal").at(0).address), -1);
    EXPECT_EQ(m_log.Lines(), (LogLines{{"netmond", "Unable to open the driver"}}));
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{Sjis("winpcap driver not install。")});
}

}  // namespace
}  // namespace halvera
