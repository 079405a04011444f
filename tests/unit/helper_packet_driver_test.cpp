#include "capture/helper_packet_driver.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <thread>

#include "base/ip_address.h"
#include "capture/capture_service.h"
#include "capture/interface_adapters.h"
#include "net/probe_frame.h"
#include "support/fake_packet_driver.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using test::Frame;

const MacAddress OWN_MAC{0x02, 0x48, 0x4C, 0x56, 0x07, 0x0A};
const Ipv4 OWN_IP = InetAddr("198.18.7.10");

// A helper service on a socket in a folder of its own, answering one front end with a fake
// driver, as the socket service of an installed system does with the real one.
class ServedFake {
  public:
    explicit ServedFake(const std::filesystem::path& socketPath) : m_path(socketPath) {
        driver.adapters = std::vector<CaptureAdapter>{
            {"eth0", "segment", OWN_IP, InetAddr("255.255.255.0"), OWN_MAC}};
        m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, m_path.c_str(), sizeof address.sun_path - 1);
        bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        listen(m_listener, 1);
        m_thread = std::thread([this] {
            const int fd = accept(m_listener, nullptr, nullptr);
            if (fd >= 0) {
                CaptureService service(driver, [](const std::function<void()>& a) { a(); });
                ServeConversation(fd, service);
                close(fd);
            }
        });
    }
    // Waits for the front end to go, so that the driver may be read.
    void Join() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    ~ServedFake() {
        shutdown(m_listener, SHUT_RDWR);
        Join();
        close(m_listener);
    }

    test::FakePacketDriver driver;

  private:
    std::filesystem::path m_path;
    int m_listener = -1;
    std::thread m_thread;
};

Frame Probe(Ipv4 target) {
    ProbeFrame frame =
        BuildProbeFrame(PROBE_PRESENCE, {OWN_IP, InetAddr("255.255.255.0"), OWN_MAC});
    SetProbeTarget(frame, target);
    return {frame.begin(), frame.end()};
}

TEST(HelperPacketDriver, AWholeAttemptCrossesToTheHelperAndBack) {
    test::TempProgramFolder folder;
    ServedFake served(folder.Path() / "capture.sock");
    const Frame reply =
        test::ArpReply(InetAddr("198.18.7.21"), {2, 0x48, 0x4C, 0x56, 7, 0x15}, OWN_IP, OWN_MAC);
    served.driver.Script({test::ScriptedAttempt::Captures({reply})});
    // More probes than one message holds: the batch goes in several.
    std::vector<std::uint8_t> round;
    constexpr int ROUND = 30000;
    for (int i = 0; i < ROUND; ++i) {
        const Frame probe = Probe(OWN_IP + static_cast<Ipv4>(i));
        round.insert(round.end(), probe.begin(), probe.end());
    }
    std::vector<Frame> captured;
    {
        HelperPacketDriver driver({{}, folder.Path() / "capture.sock"});
        EXPECT_EQ(driver.TryRawSocket(), RawSocketCheck::Allowed);
        EXPECT_EQ(driver.Adapters(), served.driver.adapters);
        ASSERT_TRUE(driver.Open(0));
        EXPECT_EQ(driver.SendBatch(round, PROBE_FRAME_SIZE, 5000), ROUND);
        EXPECT_TRUE(driver.PrepareRead());
        EXPECT_EQ(driver.ReadCaptured([&](std::span<const std::uint8_t> frame) {
            captured.emplace_back(frame.begin(), frame.end());
        }),
                  1);
        driver.Close();
        EXPECT_FALSE(driver.Open(3));
    }
    served.Join();
    EXPECT_EQ(captured, std::vector<Frame>{reply});
    ASSERT_EQ(served.driver.Sent().size(), static_cast<std::size_t>(ROUND));
    EXPECT_EQ(served.driver.Sent().back(), Probe(OWN_IP + ROUND - 1));
    EXPECT_EQ(served.driver.Rates(), (std::vector<int>{5000, 5000}));
    EXPECT_EQ(served.driver.OpenedAdapters(), *served.driver.adapters);
}

TEST(HelperPacketDriver, SaysWhyTheHelperCannotBeReached) {
    test::TempProgramFolder folder;
    const auto notExecutable = folder.Path() / "halvera-capture";
    std::ofstream(notExecutable) << "#!/bin/sh\n";
    chmod(notExecutable.c_str(), 0640);
    const struct {
        const char* name;
        HelperRoute route;
        RawSocketCheck check;
    } cases[] = {
        {"no helper anywhere",
         {{folder.Path() / "missing", "/nonexistent/halvera-capture"}, {}},
         RawSocketCheck::HelperMissing},
        {"a helper this user may not run",
         {{notExecutable}, {}},
         RawSocketCheck::HelperNotPermitted},
        {"a program that speaks no protocol", {{"/bin/true"}, {}}, RawSocketCheck::HelperMissing},
        {"no service on the socket",
         {{}, folder.Path() / "none.sock"},
         RawSocketCheck::HelperMissing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HelperPacketDriver driver(c.route);
        EXPECT_EQ(driver.TryRawSocket(), c.check);
        // The adapters come from the kernel's interface list all the same.
        std::string error;
        EXPECT_EQ(driver.Adapters(), ListInterfaceAdapters(error));
        EXPECT_FALSE(driver.Open(0));
        EXPECT_EQ(driver.HelperProcess(), 0);
    }
}

}  // namespace
}  // namespace halvera
