#pragma once

#include <atomic>
#include <string_view>

#include "events/popup_port.h"

namespace halvera {

// The popup port of a front end whose popup relay can only be made after the event actions
// that use it: the relay is built for the own address, which the engine reads once it
// exists. Until a relay is set a popup has nowhere to go and nothing is shown, as for an
// event without a popup text.
class PopupForwarder : public PopupPort {
  public:
    // The port popups go to from now on (nullptr: none). It must stay alive while a search
    // run may raise an event; set from the GUI thread while the run thread may read it.
    void SetTarget(PopupPort* target) { m_target.store(target); }
    void ShowPopupMessage(int kind, const NodeRecord& node, std::string_view messageCp932) override;

  private:
    std::atomic<PopupPort*> m_target{nullptr};
};

}  // namespace halvera
