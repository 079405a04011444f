#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/user_registry.h"

namespace halvera::test {

// The user's registry file as saving the mail settings writes it: the nine texts (CP932) in
// the order smtpserver, adrfrom, adrto1, adrto2, adrto3, popserver, userid, passward,
// subject, with the POP flag between the recipients and the POP server.
inline std::string MailRegistryFile(const std::vector<std::string>& texts, int pop) {
    const char* const names[] = {"smtpserver", "adrfrom", "adrto1",   "adrto2", "adrto3",
                                 "popserver",  "userid",  "passward", "subject"};
    std::string file = "REGEDIT4\r\n\r\n[" + std::string(USER_REGISTRY_KEY) + "]\r\n";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i == 5) {
            file += "\"pop\"=dword:0000000" + std::to_string(pop) + "\r\n";
        }
        file += "\"" + std::string(names[i]) + "\"=\"" + texts[i] + "\"\r\n";
    }
    return file;
}

}  // namespace halvera::test
