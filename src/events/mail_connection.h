#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace halvera {

class TlsSession;

// Time limits of a delivery: a server that never answers ends the delivery as a failure
// instead of holding the search run that sends the mail.
struct MailTimeouts {
    std::chrono::milliseconds connect{30000};
    // Per reply, and per stalled send: the longest wait for the server to move.
    std::chrono::milliseconds reply{60000};
};

enum class ConnectResult {
    CONNECTED,
    NO_SOCKET,       // the socket could not be made: fails without a message
    NAME_NOT_FOUND,  // the server name did not resolve
    NOT_CONNECTED,   // refused, unreachable or timed out
};

// One TCP connection to a mail server, closed when the object goes.
class MailConnection {
  public:
    explicit MailConnection(MailTimeouts timeouts);
    // Takes over a connected stream socket (tests use a socket pair).
    MailConnection(int socket, MailTimeouts timeouts);
    ~MailConnection();
    MailConnection(const MailConnection&) = delete;
    MailConnection& operator=(const MailConnection&) = delete;

    // Connects to the first IPv4 address of the server name (host name or dotted address).
    ConnectResult Connect(const std::string& server, int port);
    // Turns the connection into TLS (after STARTTLS, or at once for a server that speaks
    // TLS from the start) within the reply limit. Empty when it is protected, otherwise what
    // failed (UTF-8, after the server's kind).
    std::string StartTls(const std::string& serverName);
    // Sends every byte, continuing after partial sends with the first unsent byte. False
    // when the send fails or the server takes nothing within the reply limit.
    bool SendAll(std::string_view bytes);
    // Receives up to `size` bytes. Returns the count; 0 when the connection failed, was
    // closed by the server or stayed silent for the reply limit.
    std::size_t Receive(char* buffer, std::size_t size);
    void Close();

  private:
    int m_socket = -1;
    MailTimeouts m_timeouts;
    std::unique_ptr<TlsSession> m_tls;
};

}  // namespace halvera
