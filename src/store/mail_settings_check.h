#pragma once

#include <string>
#include <string_view>

#include "store/mail_settings.h"

namespace halvera {

// What the mail settings dialog and halvera-cli mail check before they use a set of mail
// settings. required 1: the settings are about to send a mail (the test send), so the SMTP
// server, the sender, one recipient, with POP authentication the POP server and with SMTP
// authentication its user must be there; 0 (OK): only the sizes and ranges count.
inline constexpr int MAIL_CHECK_SIZES = 0;
inline constexpr int MAIL_CHECK_FOR_SENDING = 1;

// What a test send that reached the end of the SMTP dialogue shows (UTF-8).
inline constexpr std::string_view TEST_MAIL_SENT = "テストメールを送信しました。";

// Checks the entered settings (CP932) field by field in the dialog's order: SMTP server,
// sender, the three recipients, at least one recipient, POP authentication, POP server, user
// ID, password, subject, then the protected connection's SMTP port (1-65535), security,
// authentication, user (needed for a send with authentication) and password. Each field that passes
// is copied into settings at once, so the fields before a refused one stay changed. Returns the
// message of the first refused field (CP932), empty when every field passed. Sizes are counted in
// CP932 bytes.
std::string StoreMailSettings(const MailSettings& entry, int required, MailSettings& settings);

}  // namespace halvera
