#include "dialogs/range_edits.h"

#include <QLineEdit>

#include <string>

#include "store/search_settings_check.h"

namespace halvera {

bool ReadRangeEdits(Prompt& prompt, const QLineEdit& start, const QLineEdit& end, IpRange& range) {
    const std::string refusal = CheckSearchRangeText(
        start.text().toStdString(), end.text().toStdString(), range.start, range.end);
    if (!refusal.empty()) {
        ShowStop(prompt, refusal);
        return false;
    }
    return true;
}

}  // namespace halvera
