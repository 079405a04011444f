#include "base/clock.h"

#include <atomic>
#include <cstdio>

namespace halvera {
namespace {

std::atomic<const Clock*> g_clock{nullptr};

}  // namespace

std::tm SystemClock::LocalNow() const {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

const Clock& CurrentClock() {
    static const SystemClock systemClock;
    const Clock* clock = g_clock.load();
    return clock ? *clock : systemClock;
}

void SetCurrentClock(const Clock* clock) {
    g_clock.store(clock);
}

std::string FormatDateTime(const std::tm& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%d/%02d/%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string FormatDate(const std::tm& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%d/%02d/%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    return text;
}

std::string FormatTime(const std::tm& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

}  // namespace halvera
