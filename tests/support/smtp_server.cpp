#include "support/smtp_server.h"

#include <iconv.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/scripted_mail_server.h"

namespace halvera::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Debian's Python, which has the aiosmtpd package whatever python3 comes first on the PATH.
constexpr const char* SYSTEM_PYTHON = "/usr/bin/python3";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

SmtpServer::SmtpServer(const fs::path& maildir) : SmtpServer(maildir, UnusedLoopbackPort()) {}

SmtpServer::SmtpServer(const fs::path& maildir, int port)
    : m_port(port),
      m_maildir(maildir),
      m_process({SYSTEM_PYTHON, "-m", "aiosmtpd", "-n", "-l", "127.0.0.1:" + std::to_string(m_port),
                 "-c", "aiosmtpd.handlers.Mailbox", maildir.string()}) {}

bool SmtpServer::Available() {
    return fs::exists(SYSTEM_PYTHON);
}

bool SmtpServer::Ready() {
    return m_process.Started() && WaitForLoopbackPort(m_port, 20);
}

std::vector<std::string> SmtpServer::Mails(std::size_t count) const {
    return MaildirMails(m_maildir, count);
}

std::vector<std::string> MaildirMails(const fs::path& maildir, std::size_t count) {
    std::vector<std::string> mails;
    for (auto end = std::chrono::steady_clock::now() + 5s;; std::this_thread::sleep_for(20ms)) {
        mails.clear();
        if (fs::exists(maildir / "new")) {
            for (const auto& entry : fs::directory_iterator(maildir / "new")) {
                mails.push_back(ReadFile(entry.path()));
            }
        }
        if (mails.size() >= count || std::chrono::steady_clock::now() > end) {
            return mails;
        }
    }
}

std::string JisToUtf8(std::string jis) {
    iconv_t cd = iconv_open("UTF-8", "ISO-2022-JP");
    std::string out(jis.size() * 4 + 16, '\0');
    char* in = jis.data();
    char* to = out.data();
    size_t inLeft = jis.size();
    size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &to, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

std::string MailBodyUtf8(const std::string& mail) {
    std::size_t at = mail.find("\n\n");
    return at == std::string::npos ? std::string() : JisToUtf8(mail.substr(at + 2));
}

}  // namespace halvera::test
