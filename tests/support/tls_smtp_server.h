#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace halvera::test {

// Certificates made with the openssl program for one test: a test CA the test trusts, and
// server certificates for localhost and 127.0.0.1 from it, for another name from it, and for
// localhost from a CA nobody trusts.
class TestCertificates {
  public:
    explicit TestCertificates(const std::filesystem::path& folder);
    // Whether every certificate was made (the openssl program is there).
    bool Made() const { return m_made; }
    // The trusted CA, for SSL_CERT_FILE.
    std::filesystem::path TrustedCa() const { return m_folder / "ca.pem"; }
    // A certificate and key pair by its name: "localhost", "other-name", "untrusted".
    std::filesystem::path Certificate(const std::string& name) const;
    std::filesystem::path Key(const std::string& name) const;

  private:
    bool MakeCa(const std::string& name);
    bool MakeServer(const std::string& name, const std::string& ca, const std::string& names);

    std::filesystem::path m_folder;
    bool m_made = false;
};

// A mail submission server (aiosmtpd) on a free loopback port with a certificate: STARTTLS
// required before anything else, or TLS from the start; AUTH PLAIN and LOGIN for one user.
class TlsSmtpServer {
  public:
    enum class Mode { STARTTLS, TLS };
    TlsSmtpServer(const std::filesystem::path& maildir, const std::filesystem::path& certificate,
                  const std::filesystem::path& key, Mode mode, const std::string& user,
                  const std::string& password);

    bool Ready();
    int Port() const { return m_port; }
    std::vector<std::string> Mails(std::size_t count) const;

  private:
    int m_port;
    std::filesystem::path m_maildir;
    ChildProcess m_process;
};

}  // namespace halvera::test
