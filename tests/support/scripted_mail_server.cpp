#include "support/scripted_mail_server.h"

#include <chrono>
#include <cstdlib>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace halvera::test {
namespace {

// No scripted exchange waits longer than this for the client; a stuck test ends.
constexpr int CLIENT_WAIT_MS = 10000;

int ListenOnLoopback(int& port) {
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        ::listen(listener, 4) != 0) {
        std::abort();
    }
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return listener;
}

// Reads from the client into `buffer` until it holds `end`; false when the client went.
bool ReadUntil(int client, std::string& buffer, const std::string& end, std::string& unit,
               std::string& transcript) {
    for (;;) {
        std::size_t found = buffer.find(end);
        if (found != std::string::npos) {
            unit = buffer.substr(0, found + end.size());
            buffer.erase(0, found + end.size());
            return true;
        }
        pollfd entry{client, POLLIN, 0};
        if (::poll(&entry, 1, CLIENT_WAIT_MS) <= 0) {
            return false;
        }
        char chunk[4096];
        ssize_t received = ::recv(client, chunk, sizeof chunk, 0);
        if (received <= 0) {
            return false;
        }
        buffer.append(chunk, static_cast<std::size_t>(received));
        transcript.append(chunk, static_cast<std::size_t>(received));
    }
}

}  // namespace

ScriptedMailServer::ScriptedMailServer(std::vector<std::string> script)
    : m_script(std::move(script)) {
    m_listener = ListenOnLoopback(m_port);
    m_thread = std::thread(&ScriptedMailServer::Run, this);
}

ScriptedMailServer::~ScriptedMailServer() {
    m_stop = true;
    m_thread.join();
    ::close(m_listener);
}

std::string ScriptedMailServer::Transcript() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(CLIENT_WAIT_MS);
    while (!m_served && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::lock_guard lock(m_mutex);
    return m_transcript;
}

void ScriptedMailServer::Run() {
    while (!m_stop) {
        pollfd entry{m_listener, POLLIN, 0};
        if (::poll(&entry, 1, 20) <= 0) {
            continue;
        }
        int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        if (m_connections++ == 0) {
            Serve(client);
        }
        ::close(client);
    }
}

void ScriptedMailServer::Serve(int client) {
    std::string buffer;
    std::string unit;
    std::string transcript;
    std::string lastReply;
    bool closeNow = false;
    for (std::size_t i = 0; i < m_script.size(); ++i) {
        if (i > 0) {
            bool data = lastReply.rfind("354", 0) == 0;
            if (!ReadUntil(client, buffer, data ? "\r\n.\r\n" : "\r\n", unit, transcript)) {
                break;
            }
        }
        const std::string& entry = m_script[i];
        closeNow = entry == CLOSE;
        if (closeNow || entry == SILENT) {
            break;
        }
        ::send(client, entry.data(), entry.size(), MSG_NOSIGNAL);
        lastReply = entry;
    }
    // Whatever the client still sends, until it closes, belongs to the transcript.
    while (!closeNow && ReadUntil(client, buffer, "\n", unit, transcript)) {
    }
    {
        std::lock_guard lock(m_mutex);
        m_transcript = transcript;
    }
    m_served = true;
}

int UnusedLoopbackPort() {
    int port = 0;
    int listener = ListenOnLoopback(port);
    ::close(listener);
    return port;
}

}  // namespace halvera::test
