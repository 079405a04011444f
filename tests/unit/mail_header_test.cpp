#include "events/mail_header.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/text_codec.h"
#include "support/fixed_clock.h"

namespace halvera {
namespace {

// A local time that carries its offset from UTC, as localtime_r gives it.
std::tm LocalTime(int year, int month, int day, int hour, int minute, int second,
                  long offsetSeconds) {
    std::tm t = test::FixedClock(year, month, day, hour, minute, second).LocalNow();
    t.tm_gmtoff = offsetSeconds;
    return t;
}

TEST(FormatMailDate, CarriesTheWeekdayAndTheRealOffsetFromUtc) {
    struct Case {
        std::tm local;
        const char* text;
    } cases[] = {
        {LocalTime(2005, 4, 1, 9, 5, 0, 9 * 3600), "Fri, 01 Apr 2005 09:05:00 +0900"},
        {LocalTime(2024, 2, 29, 23, 59, 59, -5 * 3600), "Thu, 29 Feb 2024 23:59:59 -0500"},
        {LocalTime(2000, 1, 1, 0, 0, 0, 0), "Sat, 01 Jan 2000 00:00:00 +0000"},
        {LocalTime(2023, 12, 31, 12, 30, 0, 5 * 3600 + 1800), "Sun, 31 Dec 2023 12:30:00 +0530"},
        {LocalTime(2021, 3, 15, 8, 0, 0, -(3 * 3600 + 1800)), "Mon, 15 Mar 2021 08:00:00 -0330"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatMailDate(c.local), c.text);
    }
}

// Sets the process time zone for a scope.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (m_old) {
            setenv("TZ", m_old->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::optional<std::string> m_old;
};

TEST(FormatMailDate, TheSystemClockGivesTheZoneOfTheMachine) {
    struct Case {
        const char* zone;  // POSIX form: the sign is west of UTC
        const char* suffix;
    } cases[] = {{"JST-9", " +0900"}, {"EST5", " -0500"}, {"UTC0", " +0000"}};
    for (const auto& c : cases) {
        ScopedTimeZone zone(c.zone);
        std::string date = FormatMailDate(SystemClock().LocalNow());
        EXPECT_TRUE(date.ends_with(c.suffix)) << c.zone << ": " << date;
    }
}

TEST(SubjectHeader, EncodesOnlyWhenTheSubjectHoldsJapanese) {
    struct Case {
        std::string subject;
        std::string header;
    } cases[] = {
        {"Halvera event", "Subject: Halvera event"},
        {"", "Subject: "},
        // ESC $ B, テスト, ESC ( B in base64, one encoded word.
        {Sjis("テスト"), "Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?="},
        {Sjis("Node テ"), "Subject: =?ISO-2022-JP?B?Tm9kZSAbJEIlRhsoQg==?="},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SubjectHeader(c.subject), c.header);
    }
}

TEST(ComposeMailHeader, ListsTheFilledSlotsOnFoldedLines) {
    MailSettings settings;
    settings.adrfrom = "halvera@example.com";
    settings.adrto1 = "admin@example.com";
    settings.adrto3 = "night@example.com";
    settings.subject = "Halvera";
    EXPECT_EQ(ComposeMailHeader(settings, LocalTime(2005, 4, 1, 9, 5, 0, 9 * 3600)),
              "Date: Fri, 01 Apr 2005 09:05:00 +0900\r\n"
              "From: halvera@example.com\r\n"
              "To: admin@example.com,\r\n night@example.com\r\n"
              "Subject: Halvera\r\n"
              "MIME-Version: 1.0\r\n"
              "Content-Type: text/plain; charset=\"ISO-2022-JP\"\r\n"
              "Content-Transfer-Encoding: 7bit\r\n"
              "X-Mailer: Lattisk2\r\n"
              "\r\n");
    EXPECT_EQ(MailRecipients(settings),
              (std::vector<std::string>{"admin@example.com", "night@example.com"}));
}

}  // namespace
}  // namespace halvera
