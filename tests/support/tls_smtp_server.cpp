#include "support/tls_smtp_server.h"

#include <fstream>

#include "support/scripted_mail_server.h"
#include "support/smtp_server.h"

namespace halvera::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* OPENSSL = "/usr/bin/openssl";
constexpr const char* SYSTEM_PYTHON = "/usr/bin/python3";

}  // namespace

TestCertificates::TestCertificates(const fs::path& folder) : m_folder(folder) {
    fs::create_directories(folder);
    m_made = fs::exists(OPENSSL) && MakeCa("ca") && MakeCa("rogue-ca") &&
             MakeServer("localhost", "ca", "DNS:localhost,IP:127.0.0.1") &&
             MakeServer("other-name", "ca", "DNS:mail.other.test") &&
             MakeServer("untrusted", "rogue-ca", "DNS:localhost,IP:127.0.0.1");
}

fs::path TestCertificates::Certificate(const std::string& name) const {
    return m_folder / (name + ".pem");
}

fs::path TestCertificates::Key(const std::string& name) const {
    return m_folder / (name + ".key");
}

bool TestCertificates::MakeCa(const std::string& name) {
    return RunProgram({OPENSSL, "req", "-x509", "-newkey", "ec", "-pkeyopt",
                       "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                       "/CN=Halvera test " + name, "-keyout", Key(name).string(), "-out",
                       Certificate(name).string()}) == 0;
}

bool TestCertificates::MakeServer(const std::string& name, const std::string& ca,
                                  const std::string& names) {
    const std::string request = (m_folder / (name + ".csr")).string();
    const fs::path extensions = m_folder / (name + ".ext");
    std::ofstream(extensions) << "subjectAltName=" << names << "\n";
    return RunProgram({OPENSSL, "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                       "-nodes", "-subj", "/CN=" + name, "-keyout", Key(name).string(), "-out",
                       request}) == 0 &&
           RunProgram({OPENSSL, "x509", "-req", "-in", request, "-CA", Certificate(ca).string(),
                       "-CAkey", Key(ca).string(), "-CAcreateserial", "-days", "2", "-extfile",
                       extensions.string(), "-out", Certificate(name).string()}) == 0;
}

TlsSmtpServer::TlsSmtpServer(const fs::path& maildir, const fs::path& certificate,
                             const fs::path& key, Mode mode, const std::string& user,
                             const std::string& password)
    : m_port(UnusedLoopbackPort()),
      m_maildir(maildir),
      m_process({SYSTEM_PYTHON, HALVERA_SOURCE_DIR "/tests/support/tls_smtp_server.py", "--port",
                 std::to_string(m_port), "--maildir", maildir.string(), "--cert",
                 certificate.string(), "--key", key.string(), "--mode",
                 mode == Mode::STARTTLS ? "starttls" : "tls", "--user", user, "--password",
                 password}) {}

bool TlsSmtpServer::Ready() {
    return m_process.Started() && WaitForLoopbackPort(m_port, 20);
}

std::vector<std::string> TlsSmtpServer::Mails(std::size_t count) const {
    return MaildirMails(m_maildir, count);
}

}  // namespace halvera::test
