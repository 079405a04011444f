#include "events/mail_connection.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "events/socket_wait.h"
#include "events/tls_session.h"

namespace halvera {
namespace {

bool SetNonBlocking(int socket) {
    int flags = fcntl(socket, F_GETFL);
    return flags >= 0 && fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

MailConnection::MailConnection(MailTimeouts timeouts) : m_timeouts(timeouts) {}

MailConnection::MailConnection(int socket, MailTimeouts timeouts)
    : m_socket(socket), m_timeouts(timeouts) {
    SetNonBlocking(m_socket);
}

MailConnection::~MailConnection() {
    Close();
}

void MailConnection::Close() {
    if (m_tls) {
        m_tls->Shutdown();
        m_tls.reset();
    }
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
    }
}

ConnectResult MailConnection::Connect(const std::string& server, int port) {
    Close();
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0 || !SetNonBlocking(m_socket)) {
        Close();
        return ConnectResult::NO_SOCKET;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(server.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        Close();
        return ConnectResult::NAME_NOT_FOUND;
    }
    sockaddr_in address{};
    std::memcpy(&address, found->ai_addr, sizeof address);
    ::freeaddrinfo(found);
    address.sin_port = htons(static_cast<std::uint16_t>(port));

    int result = ::connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    if (result != 0 && errno == EINPROGRESS &&
        WaitForSocket(m_socket, POLLOUT, m_timeouts.connect)) {
        int error = 0;
        socklen_t length = sizeof error;
        result = ::getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0
                     ? 0
                     : -1;
    }
    if (result != 0) {
        Close();
        return ConnectResult::NOT_CONNECTED;
    }
    return ConnectResult::CONNECTED;
}

std::string MailConnection::StartTls(const std::string& serverName) {
    m_tls = std::make_unique<TlsSession>();
    return m_tls->Handshake(m_socket, serverName, m_timeouts.reply);
}

bool MailConnection::SendAll(std::string_view bytes) {
    if (m_tls) {
        return m_tls->SendAll(bytes, m_timeouts.reply);
    }
    while (!bytes.empty()) {
        ssize_t sent = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitForSocket(m_socket, POLLOUT, m_timeouts.reply)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

std::size_t MailConnection::Receive(char* buffer, std::size_t size) {
    if (m_tls) {
        return m_tls->Receive(buffer, size, m_timeouts.reply);
    }
    for (;;) {
        if (!WaitForSocket(m_socket, POLLIN, m_timeouts.reply)) {
            return 0;
        }
        ssize_t received = ::recv(m_socket, buffer, size, 0);
        if (received > 0) {
            return static_cast<std::size_t>(received);
        }
        if (received == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            return 0;
        }
    }
}

}  // namespace halvera
