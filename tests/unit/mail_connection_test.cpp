#include "events/mail_connection.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/scripted_mail_server.h"

namespace halvera {
namespace {

using namespace std::chrono_literals;

// Reads everything until the other side closes.
std::string ReadToEnd(int socket) {
    std::string all;
    char chunk[1500];
    for (;;) {
        ssize_t received = ::recv(socket, chunk, sizeof chunk, 0);
        if (received <= 0) {
            return all;
        }
        all.append(chunk, static_cast<std::size_t>(received));
        // A slow reader: the sender's buffer runs full again and again.
        std::this_thread::sleep_for(1ms);
    }
}

TEST(MailConnection, ContinuesAfterPartialSends) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    int small = 4096;
    ::setsockopt(pair[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    ::setsockopt(pair[1], SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    // Far more than both buffers hold, so no single send can take it.
    std::string message;
    for (int i = 0; message.size() < 300000; ++i) {
        message += "line " + std::to_string(i) + "\r\n";
    }
    std::string received;
    std::thread reader([&] { received = ReadToEnd(pair[1]); });
    {
        MailConnection connection(pair[0], MailTimeouts{1s, 5s});
        EXPECT_TRUE(connection.SendAll(message));
    }
    reader.join();
    ::close(pair[1]);
    EXPECT_EQ(received, message);
}

TEST(MailConnection, ASendThatNobodyTakesEndsAtTheReplyLimit) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    MailConnection connection(pair[0], MailTimeouts{1s, 100ms});
    EXPECT_FALSE(connection.SendAll(std::string(4 << 20, 'x')));
    ::close(pair[1]);
}

TEST(MailConnection, ReceiveFailsOnSilenceCloseAndError) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    MailConnection connection(pair[0], MailTimeouts{1s, 100ms});
    char buffer[16];
    EXPECT_EQ(connection.Receive(buffer, sizeof buffer), 0u) << "silence";
    ASSERT_EQ(::send(pair[1], "220 x\r\n", 7, 0), 7);
    EXPECT_EQ(connection.Receive(buffer, sizeof buffer), 7u);
    ::close(pair[1]);
    EXPECT_EQ(connection.Receive(buffer, sizeof buffer), 0u) << "closed";
}

TEST(MailConnection, ConnectingHasATimeLimit) {
    // A listener whose accept queue is full drops further connection requests, as a server
    // host that has gone away does.
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers.push_back(filler);
    }
    // The set-up holds: one more request neither connects nor is refused.
    int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    pollfd pending{probe, POLLOUT, 0};
    ASSERT_EQ(::poll(&pending, 1, 100), 0);
    ::close(probe);

    MailConnection connection(MailTimeouts{200ms, 1s});
    EXPECT_EQ(connection.Connect("127.0.0.1", ntohs(address.sin_port)),
              ConnectResult::NOT_CONNECTED);

    for (int filler : fillers) {
        ::close(filler);
    }
    ::close(listener);
}

TEST(MailConnection, ConnectResults) {
    test::ScriptedMailServer server({"220 x\r\n"});
    struct Case {
        const char* server;
        int port;
        ConnectResult result;
    } cases[] = {
        {"127.0.0.1", server.Port(), ConnectResult::CONNECTED},
        {"localhost", server.Port(), ConnectResult::CONNECTED},
        {"127.0.0.1", test::UnusedLoopbackPort(), ConnectResult::NOT_CONNECTED},
        {"", server.Port(), ConnectResult::NAME_NOT_FOUND},
    };
    for (const auto& c : cases) {
        MailConnection connection(MailTimeouts{1s, 1s});
        EXPECT_EQ(connection.Connect(c.server, c.port), c.result) << c.server << ":" << c.port;
    }
}

}  // namespace
}  // namespace halvera
