#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>

#include "events/popup_relay.h"
#include "support/child_process.h"
#include "support/popup_program.h"
#include "support/xvfb_display.h"

namespace halvera {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The popup program's windows on the X server, mapped or not: a window closed but never
// freed still counts.
int PopupWindows(const test::XvfbDisplay& display) {
    std::istringstream ids(display.Output({"xdotool", "search", "--name", "^Halvera$"}));
    int count = 0;
    for (std::string id; std::getline(ids, id);) {
        ++count;
    }
    return count;
}

// The relay's side of a flood: one socket connected to the popup port, whose answers a
// thread of its own counts as they come.
class FloodSender {
  public:
    FloodSender() : m_socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        int room = 4 << 20;
        ::setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(POPUP_PORT);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(m_socket, reinterpret_cast<sockaddr*>(&to), sizeof to);
        m_reader = std::thread([this] {
            while (!m_stop) {
                pollfd entry{m_socket, POLLIN, 0};
                char answer[128];
                if (::poll(&entry, 1, 50) == 1 && ::recv(m_socket, answer, sizeof answer, 0) >= 0) {
                    ++m_answers;
                }
            }
        });
    }
    ~FloodSender() {
        m_stop = true;
        m_reader.join();
        ::close(m_socket);
    }
    void Send(const std::string& text) {
        if (::send(m_socket, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size())) {
            ++m_sent;
        }
    }
    int Sent() const { return m_sent; }
    int Answers() const { return m_answers; }

  private:
    int m_socket;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_answers{0};
    int m_sent = 0;
    std::thread m_reader;
};

// The longest messages at 300 a second for 20 seconds, to the real popup program on an X
// server of the test's own, without a notification service: its own windows show them.
TEST(PopupFlood, LeavesAtMostTheCapOfWindowsAnswersEveryDatagramAndGivesItsMemoryBack) {
    if (const std::string missing = test::RealPopupProgramMissing(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    test::XvfbDisplay display(false);
    if (!display.Ready()) {
        GTEST_SKIP() << display.Error();
    }
    std::vector<std::string> environment = display.Environment();
    // No session bus: the messages go to the program's own windows.
    environment.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/halvera-no-bus");
    test::ChildProcess brevlet({test::BuiltBrevlet().string(), std::string(POPUP_ARGUMENT)},
                               environment);
    ASSERT_TRUE(test::WaitForPopupPortHeld());

    FloodSender sender;
    auto message = [](int number) {
        std::string text = "flood " + std::to_string(number) + " ";
        return text + std::string(POPUP_MESSAGE_MAX - text.size(), 'x');
    };
    // The start: as many messages as windows, shown and settled.
    for (int i = 0; i < 8; ++i) {
        sender.Send(message(i));
    }
    std::this_thread::sleep_for(3s);
    const long start = test::ResidentKb(brevlet.Pid());
    ASSERT_GT(start, 0);

    constexpr int RATE = 300;
    constexpr auto LENGTH = 20s;
    int mostWindows = 0;
    long mostResident = start;
    const auto begin = Clock::now();
    auto nextLook = begin;
    for (int i = 0; Clock::now() - begin < LENGTH; ++i) {
        std::this_thread::sleep_until(begin + i * std::chrono::microseconds(1000000 / RATE));
        sender.Send(message(i));
        if (Clock::now() >= nextLook) {
            mostWindows = std::max(mostWindows, PopupWindows(display));
            mostResident = std::max(mostResident, test::ResidentKb(brevlet.Pid()));
            nextLook += 1s;
        }
    }
    std::this_thread::sleep_for(3s);
    const int windowsAfter = PopupWindows(display);
    const long after = test::ResidentKb(brevlet.Pid());
    std::printf(
        "sent %d, answered %d; windows at most %d, after %d; resident %ld kB at the "
        "start, at most %ld kB, %ld kB after\n",
        sender.Sent(), sender.Answers(), mostWindows, windowsAfter, start, mostResident, after);

    EXPECT_LE(mostWindows, 8);
    EXPECT_LE(windowsAfter, 8);
#if !defined(__SANITIZE_ADDRESS__)
    // The address sanitizer holds freed memory back in quarantine: there the resident size
    // tells nothing of what the program gave back.
    EXPECT_LE(after - start, 10 * 1024);
#endif
    EXPECT_EQ(sender.Answers(), sender.Sent());
}

}  // namespace
}  // namespace halvera
