#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "lists/error_log.h"
#include "lists/prompt.h"

namespace halvera {

// What a store operation has to tell the user and the error log: stop boxes and error log
// lines in the order they arose, kept until the operation has released its busy flag.
class PendingReport {
  public:
    // A stop box with a CP932 text.
    void Stop(std::string_view textCp932);
    // An error log line.
    void Log(std::string_view tag, std::string_view messageCp932);

    // Shows and writes everything in order, then forgets it.
    void Tell(Prompt& prompt, ErrorLog& errorLog);

  private:
    struct Item {
        bool box;
        std::string tag;
        std::string text;
    };
    std::vector<Item> m_items;
};

}  // namespace halvera
