#include "events/tls_session.h"

#include <algorithm>

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <poll.h>

#include "events/socket_wait.h"

namespace halvera {
namespace {

using Clock = std::chrono::steady_clock;

// Runs one OpenSSL call until it stops asking to wait for the socket, each wait at most
// until `deadline`. The call's last result: above 0 on success.
template <typename Call>
int Drive(ssl_st* ssl, int socket, Clock::time_point deadline, Call call) {
    for (;;) {
        ERR_clear_error();
        const int result = call();
        if (result > 0) {
            return result;
        }
        const int error = SSL_get_error(ssl, result);
        const short events = error == SSL_ERROR_WANT_READ    ? POLLIN
                             : error == SSL_ERROR_WANT_WRITE ? POLLOUT
                                                             : 0;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (events == 0 || left.count() <= 0 || !WaitForSocket(socket, events, left)) {
            return result > 0 ? 0 : result;
        }
    }
}

// What a failed certificate check means to the user, with OpenSSL's own words beside it.
std::string CertificateProblem(long result) {
    std::string what;
    switch (result) {
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            what = "サーバーの証明書がサーバー名と一致しません";
            break;
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_CERT_UNTRUSTED:
            what = "サーバーの証明書の発行元が信頼されていません";
            break;
        case X509_V_ERR_CERT_HAS_EXPIRED:
            what = "サーバーの証明書の有効期限が切れています";
            break;
        case X509_V_ERR_CERT_NOT_YET_VALID:
            what = "サーバーの証明書はまだ有効ではありません";
            break;
        default:
            what = "サーバーの証明書を確認できませんでした";
            break;
    }
    return what + "（" + X509_verify_cert_error_string(result) + "）";
}

std::string HandshakeProblem() {
    const unsigned long error = ERR_peek_last_error();
    const char* reason = error != 0 ? ERR_reason_error_string(error) : nullptr;
    return std::string("サーバーとのTLS接続に失敗しました（") +
           (reason != nullptr ? reason : "no answer or connection closed") + "）";
}

}  // namespace

TlsSession::TlsSession() = default;

TlsSession::~TlsSession() {
    SSL_free(m_ssl);
    SSL_CTX_free(m_context);
}

std::string TlsSession::Handshake(int socket, const std::string& serverName,
                                  std::chrono::milliseconds limit) {
    m_socket = socket;
    m_context = SSL_CTX_new(TLS_client_method());
    if (m_context == nullptr || SSL_CTX_set_min_proto_version(m_context, TLS1_2_VERSION) != 1 ||
        SSL_CTX_set_default_verify_paths(m_context) != 1) {
        return HandshakeProblem();
    }
    SSL_CTX_set_verify(m_context, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_mode(m_context, SSL_MODE_ENABLE_PARTIAL_WRITE);
    m_ssl = SSL_new(m_context);
    if (m_ssl == nullptr || SSL_set_fd(m_ssl, socket) != 1) {
        return HandshakeProblem();
    }
    // A dotted address is checked against the certificate's addresses, a name against its
    // names; only a name is sent as the server name indication.
    in_addr address{};
    const bool isAddress = ::inet_pton(AF_INET, serverName.c_str(), &address) == 1;
    const bool checkSet =
        isAddress ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), serverName.c_str()) == 1
                  : SSL_set1_host(m_ssl, serverName.c_str()) == 1 &&
                        SSL_set_tlsext_host_name(m_ssl, serverName.c_str()) == 1;
    if (!checkSet) {
        return HandshakeProblem();
    }
    if (Drive(m_ssl, socket, Clock::now() + limit, [this] { return SSL_connect(m_ssl); }) == 1) {
        return {};
    }
    const long verified = SSL_get_verify_result(m_ssl);
    return verified != X509_V_OK ? CertificateProblem(verified) : HandshakeProblem();
}

bool TlsSession::SendAll(std::string_view bytes, std::chrono::milliseconds limit) {
    while (!bytes.empty()) {
        const int size = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
        const int sent = Drive(m_ssl, m_socket, Clock::now() + limit,
                               [&] { return SSL_write(m_ssl, bytes.data(), size); });
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::size_t TlsSession::Receive(char* buffer, std::size_t size, std::chrono::milliseconds limit) {
    const int wanted = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
    const int received = Drive(m_ssl, m_socket, Clock::now() + limit,
                               [&] { return SSL_read(m_ssl, buffer, wanted); });
    return received > 0 ? static_cast<std::size_t>(received) : 0;
}

void TlsSession::Shutdown() {
    if (m_ssl != nullptr && SSL_is_init_finished(m_ssl)) {
        SSL_shutdown(m_ssl);
    }
}

}  // namespace halvera
