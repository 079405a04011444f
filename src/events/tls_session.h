#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

// OpenSSL's types, kept out of every file that only sends mail.
struct ssl_st;
struct ssl_ctx_st;

namespace halvera {

// TLS over a connected, non-blocking stream socket of a mail connection. The server's
// certificate is checked against the system's trusted certificates (OpenSSL's default
// paths, which SSL_CERT_FILE and SSL_CERT_DIR may replace) and against the server name the
// settings give; there is no way to skip either check.
class TlsSession {
  public:
    TlsSession();
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // Hand-shakes within `limit`. Empty when the connection is protected; otherwise what
    // failed (UTF-8, to follow the server's kind, e.g. "サーバーの証明書の…").
    std::string Handshake(int socket, const std::string& serverName,
                          std::chrono::milliseconds limit);
    // As MailConnection's: every byte or false; up to `size` bytes or 0.
    bool SendAll(std::string_view bytes, std::chrono::milliseconds limit);
    std::size_t Receive(char* buffer, std::size_t size, std::chrono::milliseconds limit);
    // Says goodbye without waiting for the server's answer.
    void Shutdown();

  private:
    ssl_ctx_st* m_context = nullptr;
    ssl_st* m_ssl = nullptr;
    int m_socket = -1;
};

}  // namespace halvera
