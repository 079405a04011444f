#include "events/mail_sender.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/text_codec.h"
#include "events/mail_header.h"
#include "support/child_process.h"
#include "support/fake_mail_queue.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/scripted_mail_server.h"
#include "support/smtp_server.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* DOVECOT = "/usr/sbin/dovecot";

// A real POP3 server (Dovecot) on a loopback port with the one user alice / secret.
class PopServer {
  public:
    PopServer() : m_port(test::UnusedLoopbackPort()) {
        // Dovecot's own users read the configuration and the passwords: a folder they can
        // enter, unlike the test's private one.
        std::string pattern = (fs::temp_directory_path() / "halvera-dovecot-XXXXXX").string();
        m_folder = ::mkdtemp(pattern.data()) != nullptr ? pattern : "";
        fs::permissions(m_folder, fs::perms::owner_all | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read |
                                      fs::perms::others_exec);
        const fs::path& folder = m_folder;
        fs::create_directories(folder / "run");
        fs::create_directories(folder / "mail");
        // Dovecot refuses to serve mail as root; nobody owns the mail folder.
        EXPECT_EQ(::chown((folder / "mail").c_str(), 65534, 65534), 0) << std::strerror(errno);
        std::ofstream(folder / "passwd") << "alice:{PLAIN}secret\n";
        std::ofstream(folder / "dovecot.conf")
            << "base_dir = " << (folder / "run").string() << "\n"
            << "instance_name = halvera-test-" << m_port << "\n"
            << "protocols = pop3\nlisten = 127.0.0.1\nssl = no\n"
            << "disable_plaintext_auth = no\n"
            << "log_path = " << (folder / "dovecot.log").string() << "\n"
            << "mail_location = maildir:" << (folder / "mail").string() << "/%u\n"
            << "passdb {\n  driver = passwd-file\n  args = " << (folder / "passwd").string()
            << "\n}\n"
            << "userdb {\n  driver = static\n  args = uid=65534 gid=65534 home="
            << (folder / "mail").string() << "/%u\n}\n"
            << "service pop3-login {\n  inet_listener pop3 {\n    port = " << m_port
            << "\n  }\n  inet_listener pop3s {\n    port = 0\n  }\n}\n";
        m_process = std::make_unique<test::ChildProcess>(
            std::vector<std::string>{DOVECOT, "-F", "-c", (folder / "dovecot.conf").string()});
    }
    ~PopServer() {
        m_process->Stop();
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    bool Ready() { return m_process->Started() && test::WaitForLoopbackPort(m_port, 20); }
    int Port() const { return m_port; }

  private:
    int m_port;
    fs::path m_folder;
    std::unique_ptr<test::ChildProcess> m_process;
};

MailSettings Settings() {
    MailSettings settings;
    settings.smtpserver = "localhost";
    settings.adrfrom = "halvera@example.com";
    settings.adrto1 = "admin@example.com";
    settings.adrto3 = "night@example.com";
    settings.popserver = "127.0.0.1";
    settings.userid = "alice";
    settings.passward = "secret";
    settings.subject = Sjis("Halvera 検出");
    return settings;
}

// The header's value as the server stored it, folded lines joined.
std::string HeaderValue(const std::string& mail, const std::string& name) {
    std::size_t at = ("\n" + mail).find("\n" + name + ": ");
    if (at == std::string::npos) {
        return {};
    }
    std::size_t start = at + name.size() + 2;
    std::size_t end = start;
    while ((end = mail.find('\n', end)) != std::string::npos && end + 1 < mail.size() &&
           (mail[end + 1] == ' ' || mail[end + 1] == '\t')) {
        ++end;
    }
    std::string value = mail.substr(start, end - start);
    std::string joined;
    for (char c : value) {
        if (c != '\r' && c != '\n') {
            joined += c;
        }
    }
    return joined;
}

const std::vector<std::string> EVENT_LINES = {Sjis("新規ノード検出 10.0.0.5 00-11-22-33-44-55\n"),
                                              Sjis("ノード停止 10.0.0.7\n"),
                                              Sjis(".盗聴ノード検出 10.0.0.9\n")};

class MailSenderLab : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(test::SmtpServer::Available()) << "no system Python (package python3)";
        m_smtp = std::make_unique<test::SmtpServer>(m_folder.Path() / "maildir");
        ASSERT_TRUE(m_smtp->Ready()) << "aiosmtpd did not start (package python3-aiosmtpd)";
    }
    int Send(MailSettings mail, int interactive, int popPort = POP_PORT) {
        mail.smtpport = m_smtp->Port();
        SettingsStore settings;
        settings.SetMail(mail);
        MailSenderOptions options;
        options.popPort = popPort;
        MailSender sender(settings, m_queue, m_prompt, m_errorLog, options);
        return sender.SendMail(interactive);
    }

    test::TempProgramFolder m_folder;
    std::unique_ptr<test::SmtpServer> m_smtp;
    test::FakeMailQueue m_queue{EVENT_LINES};
    test::RecordingPrompt m_prompt;
    test::RecordingErrorLog m_errorLog;
};

TEST_F(MailSenderLab, QueuedEventLinesArriveAsOneMail) {
    ASSERT_EQ(Send(Settings(), 0), 0);

    auto mails = m_smtp->Mails(1);
    ASSERT_EQ(mails.size(), 1u);
    const std::string& mail = mails[0];
    EXPECT_EQ(HeaderValue(mail, "From"), "halvera@example.com");
    EXPECT_EQ(HeaderValue(mail, "To"), "admin@example.com, night@example.com");
    EXPECT_EQ(HeaderValue(mail, "X-MailFrom"), "halvera@example.com");
    EXPECT_EQ(HeaderValue(mail, "X-RcptTo"), "admin@example.com, night@example.com");
    EXPECT_EQ(HeaderValue(mail, "Subject"), "=?ISO-2022-JP?B?SGFsdmVyYSAbJEI4IT1QGyhC?=");
    EXPECT_EQ(HeaderValue(mail, "Content-Type"), "text/plain; charset=\"ISO-2022-JP\"");
    EXPECT_EQ(HeaderValue(mail, "Content-Transfer-Encoding"), "7bit");
    // The Date carries this machine's offset from UTC.
    std::string zone = FormatMailDate(SystemClock().LocalNow()).substr(26);
    EXPECT_TRUE(HeaderValue(mail, "Date").ends_with(zone)) << HeaderValue(mail, "Date");
    // The line that starts with "." arrives whole: the server removed the doubled dot.
    EXPECT_EQ(test::MailBodyUtf8(mail),
              "新規ノード検出 10.0.0.5 00-11-22-33-44-55\nノード停止 10.0.0.7\n"
              ".盗聴ノード検出 10.0.0.9\n\n");
}

TEST_F(MailSenderLab, PopBeforeSmtpWithARealPopServer) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "Dovecot runs as root only";
    }
    ASSERT_TRUE(fs::exists(DOVECOT)) << DOVECOT << " is missing (package dovecot-pop3d)";
    PopServer pop;
    ASSERT_TRUE(pop.Ready());
    MailSettings mail = Settings();
    mail.pop = 1;

    ASSERT_EQ(Send(mail, 1, pop.Port()), 0);
    auto mails = m_smtp->Mails(1);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(test::MailBodyUtf8(mails[0]), "テストメール\n");

    mail.passward = "wrong";
    EXPECT_EQ(Send(mail, 1, pop.Port()), 1);
    EXPECT_EQ(m_smtp->Mails(2).size(), 1u) << "no second mail";
    ASSERT_EQ(m_prompt.Texts().size(), 1u);
    EXPECT_EQ(m_prompt.Texts()[0], Sjis("パスワードの認証に失敗しました。"));
}

}  // namespace
}  // namespace halvera
