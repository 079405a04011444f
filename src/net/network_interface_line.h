#pragma once

#include <string>
#include <string_view>

namespace halvera {

// The network interface line of the status bar (CP932): "ネットワークインターフェイス： "
// followed by the adapter name (ADPNAME), or by the note that none is selected.
std::string NetworkInterfaceLine(std::string_view adapterName);

}  // namespace halvera
