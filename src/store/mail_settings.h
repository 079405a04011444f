#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace halvera {

// Text widths of the mail settings, in bytes.
inline constexpr std::size_t MAIL_SERVER_MAX = 36;
inline constexpr std::size_t MAIL_ADDRESS_MAX = 128;
inline constexpr std::size_t MAIL_ACCOUNT_MAX = 36;
inline constexpr std::size_t MAIL_SUBJECT_MAX = 128;

// The mail settings kept in the user's registry file. Texts are CP932.
struct MailSettings {
    std::string smtpserver;  // at most 36 bytes
    std::string adrfrom;     // at most 128
    std::string adrto1;
    std::string adrto2;
    std::string adrto3;
    std::int32_t pop = 0;   // 1 = POP before SMTP
    std::string popserver;  // at most 36
    std::string userid;     // at most 36
    std::string passward;   // at most 36, plain text
    std::string subject;    // at most 128

    bool operator==(const MailSettings&) const = default;
};

}  // namespace halvera
