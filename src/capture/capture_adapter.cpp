#include "capture/capture_adapter.h"

#include "base/text_codec.h"

namespace halvera {

std::string AdapterDisplayName(const CaptureAdapter& adapter) {
    // Interface names and driver descriptions are UTF-8 on this platform.
    if (adapter.description.empty()) {
        return Utf8ToCp932Lossy(adapter.name);
    }
    return Utf8ToCp932Lossy(adapter.name + " (" + adapter.description + ")");
}

std::string NetworkInterfaceText(std::string_view adpnameCp932) {
    std::string text = Sjis("ネットワークインターフェイス： ");
    if (adpnameCp932.empty()) {
        return text + Sjis("ネットワークインターフェイスが選択されていません");
    }
    return text.append(adpnameCp932);
}

}  // namespace halvera
