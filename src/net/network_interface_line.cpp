#include "net/network_interface_line.h"

#include "base/text_codec.h"

namespace halvera {

std::string NetworkInterfaceLine(std::string_view adapterName) {
    std::string line = Sjis("ネットワークインターフェイス： ");
    if (adapterName.empty()) {
        line += Sjis("ネットワークインターフェイスが選択されていません");
    } else {
        line += adapterName;
    }
    return line;
}

}  // namespace halvera
