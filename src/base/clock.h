#pragma once

#include <ctime>
#include <string>

namespace halvera {

// Local wall-clock time. Logs, node dates and the %DATE/%TIME placeholders read it through
// this interface so tests can fix the moment.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::tm LocalNow() const = 0;
};

class SystemClock : public Clock {
  public:
    std::tm LocalNow() const override;
};

// The process-wide clock: the system clock unless a test replaced it.
const Clock& CurrentClock();
// Replaces the process-wide clock; nullptr restores the system clock. The clock must
// outlive its use.
void SetCurrentClock(const Clock* clock);

// "%d/%02d/%02d %02d:%02d:%02d": four-digit year, the rest two digits.
std::string FormatDateTime(const std::tm& t);
// "%d/%02d/%02d" and "%02d:%02d:%02d".
std::string FormatDate(const std::tm& t);
std::string FormatTime(const std::tm& t);

}  // namespace halvera
