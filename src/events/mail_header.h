#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "store/mail_settings.h"

namespace halvera {

// The filled recipient slots of the settings, in slot order (an empty slot is skipped).
std::vector<std::string> MailRecipients(const MailSettings& settings);

// "Fri, 01 Apr 2005 09:05:00 +0900": the local time with the offset from UTC that the time
// carries (tm_gmtoff), so the receiver sees the right moment in any time zone. The weekday
// is worked out from the date.
std::string FormatMailDate(const std::tm& local);

// "Subject: " and the subject: as it stands when it is all ASCII (or empty), else one
// ISO-2022-JP encoded word of the whole subject.
std::string SubjectHeader(std::string_view subjectCp932);

// The header block of an event mail, each line ended by CR LF, closed by the empty line.
std::string ComposeMailHeader(const MailSettings& settings, const std::tm& local);

}  // namespace halvera
