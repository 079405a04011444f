// Feeds arbitrary datagrams to the node status reply parser and the name sanitiser: neither
// may read out of bounds, and what they let through must be safe to store.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "base/text_codec.h"
#include "net/node_identification.h"
#include "net/node_status.h"

namespace {

void CheckSafe(const std::string& name) {
    std::string safe = halvera::SanitizeNetworkName(name);
    if (safe.size() != name.size() || !halvera::Cp932ToUtf8(safe)) {
        std::abort();
    }
    for (unsigned char c : safe) {
        if (c == ',' || c < 0x20 || c == 0x7F) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto reply = halvera::ParseNodeStatusReply(std::span<const std::uint8_t>(data, size));
    if (reply) {
        // Names are the 15 bytes of one entry without their padding.
        if (reply->computer.size() > 15 || reply->workgroup.size() > 15) {
            std::abort();
        }
        CheckSafe(reply->computer);
        CheckSafe(reply->workgroup);
    }
    CheckSafe(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
