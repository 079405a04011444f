#pragma once

#include "lists/prompt.h"
#include "net/local_network_range.h"

class QLineEdit;

namespace halvera {

// The OK of the range dialogs: the two edits as dotted addresses, the start not above the
// end. True with the range filled; false after the refusal was shown (the dialog stays open).
bool ReadRangeEdits(Prompt& prompt, const QLineEdit& start, const QLineEdit& end, IpRange& range);

}  // namespace halvera
