#pragma once

#include <string_view>

namespace halvera {

// The banner text of the lower pane as core sees it. The search runs show their progress
// there; an empty text asks the pane to show its summary of the node list again. Any thread
// may call it; the GUI only queues a repaint, halvera-cli prints the text.
class SummaryText {
  public:
    virtual ~SummaryText() = default;
    virtual void SetSummaryText(std::string_view textCp932) = 0;
};

}  // namespace halvera
