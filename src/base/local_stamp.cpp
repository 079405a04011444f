#include "base/local_stamp.h"

#include <cstdio>

#include "base/clock.h"

namespace halvera {
namespace {

constexpr std::size_t STAMP_LENGTH = 19;

std::optional<std::chrono::local_seconds> Parse(std::string_view text) {
    if (text.size() != STAMP_LENGTH) {
        return std::nullopt;
    }
    const std::string copy(text);
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    char end = 0;
    if (std::sscanf(copy.c_str(), "%4d/%2d/%2d %2d:%2d:%2d%c", &year, &month, &day, &hour, &minute,
                    &second, &end) != 6) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year(year) /
                                           std::chrono::month(static_cast<unsigned>(month)) /
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok() || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 60) {
        return std::nullopt;
    }
    return std::chrono::local_days{date} + std::chrono::hours(hour) + std::chrono::minutes(minute) +
           std::chrono::seconds(second);
}

}  // namespace

LocalStamp LocalStamp::Of(const std::tm& local) {
    return Read(FormatDateTime(local));
}

LocalStamp LocalStamp::Read(std::string_view text) {
    LocalStamp stamp;
    stamp.m_text = std::string(text);
    stamp.m_when = Parse(text);
    return stamp;
}

std::optional<std::string> IsoLocalTime(std::chrono::local_seconds when) {
    using namespace std::chrono;
    const local_days days = floor<std::chrono::days>(when);
    const year_month_day date{days};
    const hh_mm_ss time{when - days};
    std::tm local{};
    local.tm_year = static_cast<int>(date.year()) - 1900;
    local.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    local.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    local.tm_hour = static_cast<int>(time.hours().count());
    local.tm_min = static_cast<int>(time.minutes().count());
    local.tm_sec = static_cast<int>(time.seconds().count());
    local.tm_isdst = -1;
    const std::tm asked = local;
    // The zone's offset at that moment, summer time included.
    const std::time_t moment = std::mktime(&local);
    if (moment == static_cast<std::time_t>(-1) || localtime_r(&moment, &local) == nullptr) {
        return std::nullopt;
    }
    const long offset = local.tm_gmtoff;
    const long offsetMinutes = (offset < 0 ? -offset : offset) / 60;
    char iso[40];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                  asked.tm_year + 1900, asked.tm_mon + 1, asked.tm_mday, asked.tm_hour,
                  asked.tm_min, asked.tm_sec, offset < 0 ? '-' : '+', offsetMinutes / 60,
                  offsetMinutes % 60);
    return std::string(iso);
}

}  // namespace halvera
