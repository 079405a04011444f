#include "store/node_label_check.h"

#include "base/text_codec.h"
#include "store/node_record.h"
#include "store/setting_text_check.h"

namespace halvera {

std::string CheckNodeLabel(std::string_view labelCp932) {
    if (labelCp932.size() > NODE_LABEL_MAX) {
        return Sjis("サイズが不正です。(36Byteまで)");
    }
    return CheckSettingText(labelCp932);
}

}  // namespace halvera
