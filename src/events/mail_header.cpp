#include "events/mail_header.h"

#include <cstdio>
#include <cstdlib>

#include "events/mail_encoding.h"

namespace halvera {
namespace {

constexpr const char* DAY_NAMES[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* MONTH_NAMES[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Weekday of a Gregorian date, Sunday = 0 (Sakamoto's method).
int Weekday(int year, int month, int day) {
    static constexpr int OFFSETS[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) {
        year -= 1;
    }
    return (year + year / 4 - year / 100 + year / 400 + OFFSETS[month - 1] + day) % 7;
}

}  // namespace

std::vector<std::string> MailRecipients(const MailSettings& settings) {
    std::vector<std::string> recipients;
    for (const std::string* slot : {&settings.adrto1, &settings.adrto2, &settings.adrto3}) {
        if (!slot->empty()) {
            recipients.push_back(*slot);
        }
    }
    return recipients;
}

std::string FormatMailDate(const std::tm& local) {
    int year = local.tm_year + 1900;
    int month = local.tm_mon + 1;
    long offsetMinutes = std::labs(local.tm_gmtoff) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %d %02d:%02d:%02d %c%02ld%02ld",
                  DAY_NAMES[Weekday(year, month, local.tm_mday)], local.tm_mday,
                  MONTH_NAMES[local.tm_mon], year, local.tm_hour, local.tm_min, local.tm_sec,
                  local.tm_gmtoff < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60);
    return text;
}

std::string SubjectHeader(std::string_view subjectCp932) {
    for (char c : subjectCp932) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return "Subject: =?ISO-2022-JP?B?" + Base64Encode(SjisToJis(subjectCp932)) + "?=";
        }
    }
    return "Subject: " + std::string(subjectCp932);
}

std::string ComposeMailHeader(const MailSettings& settings, const std::tm& local) {
    std::string to;
    for (const std::string& recipient : MailRecipients(settings)) {
        to += (to.empty() ? "" : ",\r\n ") + recipient;
    }
    return "Date: " + FormatMailDate(local) + "\r\n" +  //
           "From: " + settings.adrfrom + "\r\n" +       //
           "To: " + to + "\r\n" +                       //
           SubjectHeader(settings.subject) + "\r\n" +
           "MIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=\"ISO-2022-JP\"\r\n"
           "Content-Transfer-Encoding: 7bit\r\n"
           "X-Mailer: Lattisk2\r\n"
           "\r\n";
}

}  // namespace halvera
