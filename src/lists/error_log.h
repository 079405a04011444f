#pragma once

#include <string_view>

namespace halvera {

// The one way every part reports a background failure: one line of the error log (tag,
// date and time, message). The log store implements it; tests record the lines.
class ErrorLog {
  public:
    virtual ~ErrorLog() = default;
    // tag: the reporting area ("filed", "confd", "regd", "netmond", "maild", "popupd",
    // "oputd", "searchsetd"); message: CP932.
    virtual void WriteErrorLog(std::string_view tag, std::string_view messageCp932) = 0;
};

}  // namespace halvera
