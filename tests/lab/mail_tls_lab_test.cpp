#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/text_codec.h"
#include "events/mail_sender.h"
#include "support/fake_mail_queue.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/smtp_server.h"
#include "support/temp_program_folder.h"
#include "support/tls_smtp_server.h"

namespace halvera {
namespace {

using test::TlsSmtpServer;

const std::vector<std::string> EVENT_LINES = {Sjis("新規ノード検出 10.0.0.5\n")};

// Deliveries to a submission server with a certificate from a test CA that the sender
// trusts through SSL_CERT_FILE, as a user's own CA file would be.
class MailTlsLab : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(test::SmtpServer::Available()) << "no system Python (package python3)";
        ASSERT_TRUE(m_certificates.Made()) << "no test certificates (package openssl)";
        ::setenv("SSL_CERT_FILE", m_certificates.TrustedCa().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("SSL_CERT_FILE"); }

    std::unique_ptr<TlsSmtpServer> Start(const std::string& certificate, TlsSmtpServer::Mode mode) {
        auto server = std::make_unique<TlsSmtpServer>(
            m_folder.Path() / ("maildir-" + std::to_string(++m_servers)),
            m_certificates.Certificate(certificate), m_certificates.Key(certificate), mode, "alice",
            "s3cret");
        return server->Ready() ? std::move(server) : nullptr;
    }

    MailSettings Settings(const std::string& server, int port, std::int32_t security,
                          std::int32_t auth, const std::string& password = "s3cret") const {
        MailSettings mail;
        mail.smtpserver = server;
        mail.smtpport = port;
        mail.security = security;
        mail.smtpauth = auth;
        mail.authuser = "alice";
        mail.authpass = password;
        mail.adrfrom = "halvera@example.com";
        mail.adrto1 = "admin@example.com";
        mail.subject = "Halvera";
        return mail;
    }

    int Send(const MailSettings& mail, int interactive) {
        SettingsStore settings;
        settings.SetMail(mail);
        MailSender sender(settings, m_queue, m_prompt, m_errorLog);
        return sender.SendMail(interactive);
    }

    // The boxes shown after the first `from` (UTF-8).
    std::vector<std::string> Boxes(std::size_t from = 0) const {
        std::vector<std::string> texts;
        const std::vector<std::string> shown = m_prompt.Texts();
        for (std::size_t i = from; i < shown.size(); ++i) {
            texts.push_back(Cp932ToUtf8Lossy(shown[i]));
        }
        return texts;
    }

    test::TempProgramFolder m_folder;
    test::TestCertificates m_certificates{m_folder.Path() / "certificates"};
    test::FakeMailQueue m_queue{EVENT_LINES};
    test::RecordingPrompt m_prompt;
    test::RecordingErrorLog m_errorLog;
    int m_servers = 0;
};

TEST_F(MailTlsLab, TestAndEventMailsArriveOverStartTlsAndOverTls) {
    struct Case {
        const char* name;
        TlsSmtpServer::Mode mode;
        const char* server;  // a name is checked against the certificate's names, an address
                             // against its addresses
        std::int32_t security;
        std::int32_t auth;
    };
    const Case cases[] = {
        {"STARTTLS with AUTH PLAIN", TlsSmtpServer::Mode::STARTTLS, "localhost",
         MAIL_SECURITY_STARTTLS, MAIL_AUTH_PLAIN},
        {"TLS from the start with AUTH LOGIN", TlsSmtpServer::Mode::TLS, "127.0.0.1",
         MAIL_SECURITY_TLS, MAIL_AUTH_LOGIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto server = Start("localhost", c.mode);
        ASSERT_TRUE(server) << "aiosmtpd did not start";
        const MailSettings mail = Settings(c.server, server->Port(), c.security, c.auth);

        EXPECT_EQ(Send(mail, 1), 0);
        EXPECT_EQ(Send(mail, 0), 0);

        EXPECT_EQ(Boxes(), std::vector<std::string>{});
        std::vector<std::string> bodies;
        for (const std::string& stored : server->Mails(2)) {
            bodies.push_back(test::MailBodyUtf8(stored));
        }
        std::sort(bodies.begin(), bodies.end());
        EXPECT_EQ(bodies,
                  (std::vector<std::string>{"テストメール\n", "新規ノード検出 10.0.0.5\n\n"}));
    }
}

TEST_F(MailTlsLab, AWrongPasswordShowsTheServersReply) {
    auto server = Start("localhost", TlsSmtpServer::Mode::STARTTLS);
    ASSERT_TRUE(server) << "aiosmtpd did not start";

    EXPECT_EQ(Send(Settings("localhost", server->Port(), MAIL_SECURITY_STARTTLS, MAIL_AUTH_PLAIN,
                            "wrong"),
                   1),
              1);

    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"エラーコード：535 5.7.8 Authentication credentials "
                                       "invalid\n認証が拒否されました。"});
    EXPECT_TRUE(server->Mails(0).empty());
}

TEST_F(MailTlsLab, ACertificateThatFailsItsCheckSendsNothing) {
    struct Case {
        const char* name;
        const char* certificate;
        TlsSmtpServer::Mode mode;
        std::int32_t security;
        const char* box;
    };
    const Case cases[] = {
        {"for another name", "other-name", TlsSmtpServer::Mode::STARTTLS, MAIL_SECURITY_STARTTLS,
         "SMTPサーバーの証明書がサーバー名と一致しません（hostname mismatch）。"},
        {"from a CA nobody trusts", "untrusted", TlsSmtpServer::Mode::TLS, MAIL_SECURITY_TLS,
         "SMTPサーバーの証明書の発行元が信頼されていません（unable to get local issuer "
         "certificate）。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto server = Start(c.certificate, c.mode);
        ASSERT_TRUE(server) << "aiosmtpd did not start";
        const std::size_t shown = m_prompt.Texts().size();

        EXPECT_EQ(Send(Settings("localhost", server->Port(), c.security, MAIL_AUTH_PLAIN), 1), 1);

        EXPECT_EQ(Boxes(shown), std::vector<std::string>{c.box});
        EXPECT_TRUE(server->Mails(0).empty());
        // Nothing is sent silently for event mail either.
        EXPECT_EQ(Send(Settings("localhost", server->Port(), c.security, MAIL_AUTH_PLAIN), 0), 1);
        EXPECT_TRUE(server->Mails(0).empty());
    }
}

}  // namespace
}  // namespace halvera
