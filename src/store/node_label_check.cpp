#include "store/node_label_check.h"

#include "base/text_codec.h"
#include "store/node_record.h"
#include "store/setting_text_check.h"

#include <optional>
#include <utility>

namespace halvera {

std::string CheckNodeLabel(std::string_view labelCp932) {
    if (labelCp932.size() > NODE_LABEL_MAX) {
        return Sjis("サイズが不正です。(36Byteまで)");
    }
    return CheckSettingText(labelCp932);
}

NodeLabelText NodeLabelFromUtf8(std::string_view utf8) {
    std::optional<std::string> label = Utf8ToCp932(utf8);
    if (!label) {
        return {{}, Sjis("設定値に Shift_JIS で表せない文字を使用することはできません。")};
    }
    return {std::move(*label), {}};
}

}  // namespace halvera
