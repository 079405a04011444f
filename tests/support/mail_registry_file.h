#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/user_registry.h"
#include "store/mail_settings.h"

namespace halvera::test {

// A protected connection as a submission server wants it: port 587, STARTTLS, AUTH LOGIN.
inline MailSettings SubmissionConnection() {
    MailSettings submission;
    submission.smtpport = 587;
    submission.security = MAIL_SECURITY_STARTTLS;
    submission.smtpauth = MAIL_AUTH_LOGIN;
    submission.authuser = "alice@example.com";
    submission.authpass = "s3cret";
    return submission;
}

// The user's registry file as saving the mail settings writes it: the nine texts (CP932) in
// the order smtpserver, adrfrom, adrto1, adrto2, adrto3, popserver, userid, passward,
// subject, with the POP flag between the recipients and the POP server, then the protected
// connection's values of `added` (port, security, authentication, its user and password).
inline std::string MailRegistryFile(const std::vector<std::string>& texts, int pop,
                                    const MailSettings& added = {}) {
    const char* const names[] = {"smtpserver", "adrfrom", "adrto1",   "adrto2", "adrto3",
                                 "popserver",  "userid",  "passward", "subject"};
    std::string file = "REGEDIT4\r\n\r\n[" + std::string(USER_REGISTRY_KEY) + "]\r\n";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i == 5) {
            file += "\"pop\"=dword:0000000" + std::to_string(pop) + "\r\n";
        }
        file += "\"" + std::string(names[i]) + "\"=\"" + texts[i] + "\"\r\n";
    }
    auto dword = [](const char* name, std::int32_t value) {
        char line[64];
        std::snprintf(line, sizeof line, "\"%s\"=dword:%08x\r\n", name,
                      static_cast<unsigned>(value));
        return std::string(line);
    };
    file += dword("smtpport", added.smtpport) + dword("security", added.security) +
            dword("smtpauth", added.smtpauth);
    file += "\"authuser\"=\"" + added.authuser + "\"\r\n";
    file += "\"authpass\"=\"" + added.authpass + "\"\r\n";
    return file;
}

}  // namespace halvera::test
