#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "base/ip_address.h"
#include "events/popup_relay.h"
#include "support/child_process.h"
#include "support/popup_program.h"

namespace halvera {
namespace {

using namespace std::chrono_literals;

// Two hosts of the lab, each in a network namespace of its own, joined by a veth pair: the
// one that runs the popup program and another one on the same segment.
class TwoHostLab {
  public:
    TwoHostLab()
        : m_own("hvpopup-own-" + std::to_string(::getpid())),
          m_other("hvpopup-oth-" + std::to_string(::getpid())) {
        std::string ownLink = "hvpo" + std::to_string(::getpid());
        std::string otherLink = "hvpx" + std::to_string(::getpid());
        m_ready = test::RunProgram({"ip", "netns", "add", m_own}) == 0 &&
                  test::RunProgram({"ip", "netns", "add", m_other}) == 0 &&
                  test::RunProgram({"ip", "link", "add", ownLink, "netns", m_own, "type", "veth",
                                    "peer", "name", otherLink, "netns", m_other}) == 0 &&
                  test::RunProgram(
                      {"ip", "-n", m_own, "addr", "add", "10.231.8.1/24", "dev", ownLink}) == 0 &&
                  test::RunProgram({"ip", "-n", m_other, "addr", "add", "10.231.8.2/24", "dev",
                                    otherLink}) == 0 &&
                  test::RunProgram({"ip", "-n", m_own, "link", "set", ownLink, "up"}) == 0 &&
                  test::RunProgram({"ip", "-n", m_other, "link", "set", otherLink, "up"}) == 0 &&
                  test::RunProgram({"ip", "-n", m_own, "link", "set", "lo", "up"}) == 0;
    }
    ~TwoHostLab() {
        test::RunProgram({"ip", "netns", "del", m_own});
        test::RunProgram({"ip", "netns", "del", m_other});
    }
    bool Ready() const { return m_ready; }
    const std::string& Own() const { return m_own; }
    const std::string& Other() const { return m_other; }

  private:
    std::string m_own;
    std::string m_other;
    bool m_ready = false;
};

const Ipv4 OWN_IP = MakeIp(10, 231, 8, 1);

// Runs `work` on a thread that has entered the network namespace.
bool InNamespace(const std::string& name, const std::function<bool()>& work) {
    bool result = false;
    std::thread host([&] {
        int ns = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        if (ns >= 0 && ::setns(ns, CLONE_NEWNET) == 0) {
            result = work();
        }
        if (ns >= 0) {
            ::close(ns);
        }
    });
    host.join();
    return result;
}

sockaddr_in PopupAddress() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(POPUP_PORT);
    address.sin_addr.s_addr = OWN_IP;
    return address;
}

// One popup datagram to the own host's address; true when an answer comes within 1.5 s.
bool Answered() {
    int socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to = PopupAddress();
    ::connect(socket, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ::send(socket, "node up", 7, 0);
    pollfd entry{socket, POLLIN, 0};
    char answer[128];
    bool answered = ::poll(&entry, 1, 1500) == 1 && ::recv(socket, answer, sizeof answer, 0) > 0;
    ::close(socket);
    return answered;
}

bool PortTaken() {
    int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = PopupAddress();
    bool taken = ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0;
    ::close(probe);
    return taken;
}

TEST(PopupProgramLab, AnswersItsOwnHostAndIgnoresAnotherHost) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "the lab's network namespaces need root";
    }
    if (!std::filesystem::exists(test::BuiltBrevlet())) {
        GTEST_SKIP() << "the popup program was not built";
    }
    TwoHostLab lab;
    ASSERT_TRUE(lab.Ready());
    test::ChildProcess brevlet(
        {"ip", "netns", "exec", lab.Own(), test::BuiltBrevlet().string(), "Tolvance"},
        {"QT_QPA_PLATFORM=offscreen"});
    bool listening = false;
    for (auto end = std::chrono::steady_clock::now() + 20s;
         !listening && std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(50ms)) {
        listening = InNamespace(lab.Own(), PortTaken);
    }
    ASSERT_TRUE(listening);

    EXPECT_FALSE(InNamespace(lab.Other(), Answered)) << "a datagram from another host";
    EXPECT_TRUE(InNamespace(lab.Own(), Answered)) << "a datagram from the own address";
}

}  // namespace
}  // namespace halvera
