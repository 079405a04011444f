#include "events/popup_relay.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "store/event_kind.h"
#include "support/file_bytes.h"
#include "support/popup_program.h"
#include "support/recording_error_log.h"
#include "support/socket_as_user.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const Ipv4 LOOPBACK = MakeIp(127, 0, 0, 1);

// Stands in for the popup program's socket: holds a UDP port on a loopback address (a free
// one unless given), records every datagram with its arrival time and answers when told to,
// with `answerText`. `owner`: the user whose socket it is, where not the test's own.
class ScriptedPopupPeer {
  public:
    explicit ScriptedPopupPeer(bool answer, Ipv4 own = LOOPBACK, int port = 0,
                               std::string answerText = "OK", std::optional<uid_t> owner = {})
        : m_answer(answer), m_answerText(std::move(answerText)) {
        m_socket =
            owner ? test::SocketAsUser(*owner, SOCK_DGRAM) : ::socket(AF_INET, SOCK_DGRAM, 0);
        // The kernel stamps each datagram as it arrives, however late this thread runs.
        int on = 1;
        ::setsockopt(m_socket, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
        ::setsockopt(m_socket, IPPROTO_IP, IP_RECVTOS, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = own;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        EXPECT_EQ(::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        socklen_t length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~ScriptedPopupPeer() { Close(); }

    int Port() const { return m_port; }
    // Gives up the port: the host then reports it unreachable.
    void Close() {
        if (m_thread.joinable()) {
            m_stop = true;
            m_thread.join();
            ::close(m_socket);
        }
    }
    struct Datagram {
        std::string bytes;
        std::chrono::nanoseconds arrival;
        int tos;  // the IP type of service
    };
    std::vector<Datagram> Received() const {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    // What arrived once `count` datagrams are in (or a few seconds have passed).
    std::vector<Datagram> Received(std::size_t count) const {
        for (auto end = Clock::now() + 5s; Clock::now() < end; std::this_thread::sleep_for(5ms)) {
            if (Received().size() >= count) {
                break;
            }
        }
        return Received();
    }

  private:
    void Run() {
        while (!m_stop) {
            pollfd entry{m_socket, POLLIN, 0};
            if (::poll(&entry, 1, 20) <= 0) {
                continue;
            }
            char buffer[4096];
            sockaddr_in sender{};
            iovec data{buffer, sizeof buffer};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec)) + CMSG_SPACE(sizeof(int))];
            msghdr message{};
            message.msg_name = &sender;
            message.msg_namelen = sizeof sender;
            message.msg_iov = &data;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            ssize_t size = ::recvmsg(m_socket, &message, 0);
            if (size < 0) {
                continue;
            }
            timespec stamp{};
            unsigned char tos = 0;
            for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
                if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                    std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
                } else if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TOS) {
                    std::memcpy(&tos, CMSG_DATA(c), sizeof tos);
                }
            }
            {
                std::lock_guard lock(m_mutex);
                m_received.push_back(
                    {std::string(buffer, static_cast<std::size_t>(size)),
                     std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec),
                     tos});
            }
            if (m_answer) {
                ::sendto(m_socket, m_answerText.data(), m_answerText.size(), 0,
                         reinterpret_cast<sockaddr*>(&sender), message.msg_namelen);
            }
        }
    }

    bool m_answer;
    std::string m_answerText;
    int m_socket = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<Datagram> m_received;
    std::thread m_thread;
};

// A port of the loopback address that nothing holds.
int FreeUdpPort() {
    ScriptedPopupPeer peer(false);
    return peer.Port();
}

// bin/Brevlet as a shell script: does `setup`, records its process id and arguments, then
// does `run`.
void WritePopupProgram(const std::string& run, const std::string& setup = "") {
    auto path = BinFolder() / "Brevlet";
    test::WriteBytes(path, "#!/bin/sh\n" + setup +
                               "\necho \"$$ $*\" >> \"$(dirname \"$0\")/starts\"\n" + run + "\n");
    ::chmod(path.c_str(), 0755);
}

std::vector<std::string> ReadStarts() {
    std::ifstream in(BinFolder() / "starts");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The lines the program wrote when it started, once `count` are in: the relay may see the
// port taken before the script has written its line.
std::vector<std::string> Starts(std::size_t count) {
    for (auto end = Clock::now() + 5s; Clock::now() < end; std::this_thread::sleep_for(5ms)) {
        if (ReadStarts().size() >= count) {
            break;
        }
    }
    return ReadStarts();
}

PopupRelayOptions Options(int port, std::chrono::milliseconds startWait = 5s) {
    PopupRelayOptions options;
    options.port = port;
    options.startWait = startWait;
    options.ackWait = 200ms;
    return options;
}

std::vector<std::string> Messages(const std::vector<ScriptedPopupPeer::Datagram>& datagrams) {
    std::vector<std::string> messages;
    for (const auto& datagram : datagrams) {
        messages.push_back(datagram.bytes);
    }
    return messages;
}

using LogLines = std::vector<std::pair<std::string, std::string>>;

// The desktop's notification service as the relay sees it: records what it is asked to show,
// or refuses as a session without one does.
class RecordingNotice : public DesktopNotice {
  public:
    explicit RecordingNotice(bool available) : m_available(available) {}
    bool ShowNotice(std::string_view utf8Text, bool critical) override {
        m_shown.emplace_back(std::string(utf8Text), critical);
        return m_available;
    }
    const std::vector<std::pair<std::string, bool>>& Shown() const { return m_shown; }

  private:
    bool m_available;
    std::vector<std::pair<std::string, bool>> m_shown;
};

class PopupRelayTest : public ::testing::Test {
  protected:
    test::TempProgramFolder m_folder;
    test::RecordingErrorLog m_errorLog;
};

TEST_F(PopupRelayTest, UnansweredMessagesAreSentTwiceAndLogNothing) {
    WritePopupProgram("exec sleep 600");
    ScriptedPopupPeer peer(false);
    PopupRelay relay(LOOPBACK, m_errorLog, Options(peer.Port()));
    relay.InitPopupRelay();

    EXPECT_EQ(relay.ShowPopupMessage("node up"), PopupDelivery::REPEATED);
    EXPECT_EQ(relay.ShowPopupMessage(Sjis("ノード停止")), PopupDelivery::REPEATED);

    auto received = peer.Received(4);
    EXPECT_EQ(
        Messages(received),
        (std::vector<std::string>{"node up", "node up", Sjis("ノード停止"), Sjis("ノード停止")}));
    ASSERT_EQ(received.size(), 4u);
    // The second copy waits out the 200 ms for an answer; arrival times are taken by the
    // peer's thread, so a late first wake-up may shave a little off the gap it sees.
    EXPECT_GE(received[1].arrival - received[0].arrival, 150ms);
    EXPECT_GE(received[3].arrival - received[2].arrival, 150ms);
    EXPECT_TRUE(m_errorLog.Lines().empty());
    // Started once, with its one argument; the second message went to the running program.
    EXPECT_EQ(Starts(1),
              std::vector<std::string>{std::to_string(relay.PopupProcess()) + " Tolvance"});
}

TEST_F(PopupRelayTest, AnAnsweredMessageIsSentOnce) {
    WritePopupProgram("exec sleep 600");
    ScriptedPopupPeer peer(true);
    PopupRelay relay(LOOPBACK, m_errorLog, Options(peer.Port()));

    EXPECT_EQ(relay.ShowPopupMessage("node up"), PopupDelivery::ACKNOWLEDGED);
    EXPECT_EQ(Messages(peer.Received(1)), std::vector<std::string>{"node up"});
    EXPECT_TRUE(m_errorLog.Lines().empty());
}

TEST_F(PopupRelayTest, TheSniffingNodeMessageIsMarkedCriticalInTheHeaderOnly) {
    WritePopupProgram("exec sleep 600");
    ScriptedPopupPeer peer(false);
    PopupRelay relay(LOOPBACK, m_errorLog, Options(peer.Port()));
    PopupPort& port = relay;
    const int kinds[] = {EVENT_NEW_NODE, EVENT_SNIFFING_NODE, EVENT_NODE_DOWN, EVENT_IP_CHANGE};
    for (int kind : kinds) {
        port.ShowPopupMessage(kind, NodeRecord{}, EventKindText(kind));
    }

    // Unanswered, so each message and its repeat arrive.
    auto received = peer.Received(8);
    ASSERT_EQ(received.size(), 8u);
    for (std::size_t i = 0; i < received.size(); ++i) {
        int kind = kinds[i / 2];
        SCOPED_TRACE(kind);
        EXPECT_EQ(received[i].bytes, EventKindText(kind));
        EXPECT_EQ(received[i].tos, kind == EVENT_SNIFFING_NODE ? POPUP_CRITICAL_TOS : 0);
    }
}

TEST_F(PopupRelayTest, EachMessageGoesToTheOwnAddressAsItIsNow) {
    WritePopupProgram("exec sleep 600");
    ScriptedPopupPeer before(true);
    const Ipv4 renewed = MakeIp(127, 0, 0, 2);
    ScriptedPopupPeer after(true, renewed, before.Port());
    std::atomic<Ipv4> own{LOOPBACK};
    PopupRelay relay([&] { return own.load(); }, m_errorLog, Options(before.Port()));

    EXPECT_EQ(relay.ShowPopupMessage("first"), PopupDelivery::ACKNOWLEDGED);
    // A search read another own address (a new lease, another adapter) in between.
    own = renewed;
    EXPECT_EQ(relay.ShowPopupMessage("second"), PopupDelivery::ACKNOWLEDGED);
    EXPECT_EQ(Messages(before.Received(1)), std::vector<std::string>{"first"});
    EXPECT_EQ(Messages(after.Received(1)), std::vector<std::string>{"second"});
    EXPECT_TRUE(m_errorLog.Lines().empty());
}

TEST_F(PopupRelayTest, ALongMessageIsCutWithoutSplittingACharacter) {
    WritePopupProgram("exec sleep 600");
    ScriptedPopupPeer peer(true);
    PopupRelay relay(LOOPBACK, m_errorLog, Options(peer.Port()));
    struct Case {
        std::string message;
        std::string sent;
    } cases[] = {
        {std::string(3000, 'x'), std::string(POPUP_MESSAGE_MAX, 'x')},
        // The two-byte character at bytes 2047 and 2048 does not fit.
        {std::string(2046, 'x') + Sjis("ノード"), std::string(2046, 'x')},
    };
    for (const auto& c : cases) {
        relay.ShowPopupMessage(c.message);
    }
    EXPECT_EQ(Messages(peer.Received(2)), (std::vector<std::string>{cases[0].sent, cases[1].sent}));
}

TEST_F(PopupRelayTest, AProgramThatCannotServeIsReportedAndNotLeftRunning) {
    struct Case {
        const char* name;
        const char* program;  // nothing: no bin/Brevlet at all
    } cases[] = {
        {"no program", nullptr},
        {"a program that ends at once", "exit 3"},
        {"a program that never takes its port", "exec sleep 600"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(BinFolder() / "Brevlet");
        std::filesystem::remove(BinFolder() / "starts");
        if (c.program != nullptr) {
            WritePopupProgram(c.program);
        }
        test::RecordingErrorLog errorLog;
        PopupRelay relay(LOOPBACK, errorLog, Options(FreeUdpPort(), 300ms));

        EXPECT_EQ(relay.ShowPopupMessage("node up"), PopupDelivery::FAILED);

        EXPECT_EQ(errorLog.Lines(),
                  (LogLines{{"popupd", Sjis("モジュールが見つかりません。(bin/Brevlet)")}}));
        EXPECT_EQ(relay.PopupProcess(), 0);
        if (c.program != nullptr) {
            auto starts = Starts(1);
            ASSERT_EQ(starts.size(), 1u);
            EXPECT_TRUE(test::ProcessGone(std::stoi(starts[0])));
        }
    }
}

TEST_F(PopupRelayTest, APortNobodyReadsAnyMoreIsAReceiveError) {
    WritePopupProgram("exec sleep 600");
    ScriptedPopupPeer peer(true);
    PopupRelay relay(LOOPBACK, m_errorLog, Options(peer.Port()));
    EXPECT_EQ(relay.ShowPopupMessage("first"), PopupDelivery::ACKNOWLEDGED);
    peer.Close();

    EXPECT_EQ(relay.ShowPopupMessage("second"), PopupDelivery::FAILED);
    EXPECT_EQ(m_errorLog.Lines(), (LogLines{{"popupd", "popup message recv error"}}));
}

TEST_F(PopupRelayTest, AProgramThatEndedIsStartedAgainByTheNextMessage) {
    WritePopupProgram("exec sleep 600");
    ScriptedPopupPeer peer(true);
    PopupRelay relay(LOOPBACK, m_errorLog, Options(peer.Port()));
    EXPECT_EQ(relay.ShowPopupMessage("first"), PopupDelivery::ACKNOWLEDGED);
    pid_t first = relay.PopupProcess();
    ASSERT_GT(first, 0);

    ::kill(first, SIGTERM);
    ASSERT_TRUE(test::WaitForNoProgram(relay));
    EXPECT_TRUE(test::ProcessGone(first)) << "the watcher reaps it";

    EXPECT_EQ(relay.ShowPopupMessage("second"), PopupDelivery::ACKNOWLEDGED);
    EXPECT_GT(relay.PopupProcess(), 0);
    EXPECT_NE(relay.PopupProcess(), first);
}

TEST_F(PopupRelayTest, EndPopupProgramEndsTheRunningProgram) {
    // Even a program that ignores the request to end is ended.
    WritePopupProgram("while :; do sleep 1; done", "trap '' TERM");
    ScriptedPopupPeer peer(true);
    PopupRelay relay(LOOPBACK, m_errorLog, Options(peer.Port()));
    relay.EndPopupProgram();  // none runs: nothing happens
    EXPECT_TRUE(ReadStarts().empty());

    EXPECT_EQ(relay.ShowPopupMessage("node up"), PopupDelivery::ACKNOWLEDGED);
    pid_t process = relay.PopupProcess();
    ASSERT_GT(process, 0);
    ASSERT_EQ(Starts(1).size(), 1u) << "the program ignores TERM from here on";
    relay.EndPopupProgram();
    EXPECT_EQ(relay.PopupProcess(), 0);
    EXPECT_TRUE(test::ProcessGone(process));
    relay.EndPopupProgram();
}

TEST_F(PopupRelayTest, TheRelayEndsItsProgramWhenItGoes) {
    WritePopupProgram("exec sleep 600");
    ScriptedPopupPeer peer(true);
    pid_t process = 0;
    {
        PopupRelay relay(LOOPBACK, m_errorLog, Options(peer.Port()));
        relay.ShowPopupMessage("node up");
        process = relay.PopupProcess();
        ASSERT_GT(process, 0);
    }
    EXPECT_TRUE(test::ProcessGone(process));
}

TEST_F(PopupRelayTest, AnotherUsersProgramOnThePortNeverGetsTheText) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a socket of another user needs root";
    }
    struct Case {
        const char* name;
        bool service;
        PopupDelivery delivery;
        LogLines log;  // for both messages together
    } cases[] = {
        {"the own desktop's notification service shows it", true, PopupDelivery::NOTIFIED, {}},
        {"without one, the log says so once",
         false,
         PopupDelivery::FAILED,
         {{"popupd",
           "popup port held by another user's program (uid 4242) and no desktop "
           "notification service: popup messages not shown"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(BinFolder() / "starts");
        WritePopupProgram("exec sleep 600");
        ScriptedPopupPeer stranger(true, LOOPBACK, 0, "OK", test::STRANGER_UID);
        RecordingNotice notice(c.service);
        test::RecordingErrorLog errorLog;
        PopupRelayOptions options = Options(stranger.Port());
        options.notice = &notice;
        PopupRelay relay(LOOPBACK, errorLog, options);
        PopupPort& port = relay;

        port.ShowPopupMessage(EVENT_SNIFFING_NODE, NodeRecord{}, Sjis("盗聴ノード検出 10.0.0.9"));
        EXPECT_EQ(relay.ShowPopupMessage("node up"), c.delivery);

        EXPECT_EQ(notice.Shown(), (std::vector<std::pair<std::string, bool>>{
                                      {"盗聴ノード検出 10.0.0.9", true}, {"node up", false}}));
        EXPECT_EQ(errorLog.Lines(), c.log);
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(stranger.Received().empty());
        // Its own program could not take the port either.
        EXPECT_TRUE(ReadStarts().empty());
        EXPECT_EQ(relay.PopupProcess(), 0);
    }
}

TEST_F(PopupRelayTest, TheProgramsCountOfDroppedDatagramsGoesToTheErrorLog) {
    struct Case {
        const char* answer;
        LogLines log;
    } cases[] = {
        {"OK", {}},
        {"OK foreign=3",
         {{"popupd", "the popup program dropped 3 datagrams not sent by this user"}}},
        // Any other answer is still an answer, and tells nothing more.
        {"OK foreign=", {}},
        {"OK foreign=3x", {}},
        {"OK foreign=99999999999999999999", {}},
        {"ACK", {}},
    };
    WritePopupProgram("exec sleep 600");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        ScriptedPopupPeer peer(true, LOOPBACK, 0, c.answer);
        test::RecordingErrorLog errorLog;
        PopupRelay relay(LOOPBACK, errorLog, Options(peer.Port()));
        EXPECT_EQ(relay.ShowPopupMessage("node up"), PopupDelivery::ACKNOWLEDGED);
        EXPECT_EQ(errorLog.Lines(), c.log);
    }
}

}  // namespace
}  // namespace halvera
