#pragma once

#include <string>

namespace halvera {

// Where the mail sender reads the body of an event mail: the mail queue, one line per event.
class MailLineSource {
  public:
    virtual ~MailLineSource() = default;
    // Line n (counted from 0) with its line end into `line`: 0 when the line exists, 1 when
    // the queue has fewer than n + 1 lines.
    virtual int ReadMailLine(int n, std::string& line) = 0;
};

}  // namespace halvera
