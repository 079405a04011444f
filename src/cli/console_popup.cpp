#include "cli/console_popup.h"

#include "base/text_codec.h"
#include "cli/tsv.h"

namespace halvera {

void ConsolePopup::ShowPopupMessage(int, const NodeRecord&, std::string_view messageCp932) {
    m_console.Out(TsvLine({"ポップアップ", Cp932ToUtf8Lossy(messageCp932)}));
}

}  // namespace halvera
