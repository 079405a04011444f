#pragma once

#include <ctime>

#include "base/clock.h"

namespace halvera::test {

// A clock that stands at one moment until the test moves it.
class FixedClock : public Clock {
  public:
    FixedClock(int year, int month, int day, int hour, int minute, int second) {
        Set(year, month, day, hour, minute, second);
    }
    void Set(int year, int month, int day, int hour, int minute, int second) {
        m_tm = std::tm{};
        m_tm.tm_year = year - 1900;
        m_tm.tm_mon = month - 1;
        m_tm.tm_mday = day;
        m_tm.tm_hour = hour;
        m_tm.tm_min = minute;
        m_tm.tm_sec = second;
    }
    std::tm LocalNow() const override { return m_tm; }

  private:
    std::tm m_tm{};
};

// Makes a FixedClock the process clock for a scope.
class ScopedClock {
  public:
    explicit ScopedClock(const Clock& clock) { SetCurrentClock(&clock); }
    ~ScopedClock() { SetCurrentClock(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace halvera::test
