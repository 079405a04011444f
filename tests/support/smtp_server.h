#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace halvera::test {

// A real SMTP server (Debian's aiosmtpd) on a free loopback port that keeps every mail it
// accepts in a maildir.
class SmtpServer {
  public:
    explicit SmtpServer(const std::filesystem::path& maildir);
    // On this port: the SMTP port, for a program that knows no other, in a network namespace
    // of the lab's (the calling thread's) where the port is free.
    SmtpServer(const std::filesystem::path& maildir, int port);

    // Whether the system Python that has aiosmtpd is there at all.
    static bool Available();
    // Started and listening (waits a few seconds for it).
    bool Ready();
    int Port() const { return m_port; }
    // The stored mails, once `count` are there (or after a few seconds).
    std::vector<std::string> Mails(std::size_t count) const;

  private:
    int m_port;
    std::filesystem::path m_maildir;
    ChildProcess m_process;
};

// The mails stored in a maildir, once `count` are there (or after a few seconds).
std::vector<std::string> MaildirMails(const std::filesystem::path& maildir, std::size_t count);

// The body of a stored mail (after its header's empty line), ISO-2022-JP turned into UTF-8.
std::string MailBodyUtf8(const std::string& mail);

// ISO-2022-JP text as UTF-8.
std::string JisToUtf8(std::string jis);

}  // namespace halvera::test
