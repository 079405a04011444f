#include "events/popup_forwarder.h"

namespace halvera {

void PopupForwarder::ShowPopupMessage(int kind, const NodeRecord& node,
                                      std::string_view messageCp932) {
    if (PopupPort* target = m_target.load()) {
        target->ShowPopupMessage(kind, node, messageCp932);
    }
}

}  // namespace halvera
