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
inline constexpr std::size_t MAIL_AUTH_MAX = 128;

// How the SMTP connection is protected: plain, upgraded by STARTTLS, or TLS from the start.
inline constexpr std::int32_t MAIL_SECURITY_NONE = 0;
inline constexpr std::int32_t MAIL_SECURITY_STARTTLS = 1;
inline constexpr std::int32_t MAIL_SECURITY_TLS = 2;

// SMTP authentication: none, AUTH PLAIN or AUTH LOGIN.
inline constexpr std::int32_t MAIL_AUTH_NONE = 0;
inline constexpr std::int32_t MAIL_AUTH_PLAIN = 1;
inline constexpr std::int32_t MAIL_AUTH_LOGIN = 2;

inline constexpr std::int32_t MAIL_DEFAULT_PORT = 25;

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
    // Added later; a registry file without them reads these defaults and sends as before.
    std::int32_t smtpport = MAIL_DEFAULT_PORT;  // 1 to 65535
    std::int32_t security = MAIL_SECURITY_NONE;
    std::int32_t smtpauth = MAIL_AUTH_NONE;
    std::string authuser;  // at most 128
    std::string authpass;  // at most 128, plain text like passward

    bool operator==(const MailSettings&) const = default;
};

}  // namespace halvera
