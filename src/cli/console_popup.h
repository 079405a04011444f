#pragma once

#include "cli/console.h"
#include "events/popup_port.h"

namespace halvera {

// Popup messages without a display: each is printed as a line "ポップアップ<TAB>text".
class ConsolePopup : public PopupPort {
  public:
    explicit ConsolePopup(Console& console) : m_console(console) {}

    void ShowPopupMessage(int kind, const NodeRecord& node, std::string_view messageCp932) override;

  private:
    Console& m_console;
};

}  // namespace halvera
