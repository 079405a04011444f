#pragma once

#include <string_view>

namespace halvera {

// The banner text of the lower pane as the search runs set it: their progress lines while
// they run, the summary of the node list when they are done with an address or a run.
class SummaryText {
  public:
    virtual ~SummaryText() = default;
    // Shows the text (CP932).
    virtual void SetSummaryText(std::string_view textCp932) = 0;
    // Shows the summary built from the node list and the polling settings.
    virtual void SetSummaryText() = 0;
};

}  // namespace halvera
