#include "store/event_kind.h"

#include "base/text_codec.h"

namespace halvera {

std::string EventKindText(int kind) {
    static const char* const TEXTS[EVENT_KIND_COUNT] = {
        "新規ノード検出", "ノード起動",     "ノード停止",
        "盗聴ノード検出", "IPアドレス変更", "ネットワーク機器変更",
    };
    if (kind < 0 || kind >= EVENT_KIND_COUNT) {
        return {};
    }
    return Sjis(TEXTS[kind]);
}

}  // namespace halvera
