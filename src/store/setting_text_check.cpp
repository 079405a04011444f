#include "store/setting_text_check.h"

#include "base/text_codec.h"

namespace halvera {

std::string CheckSettingText(std::string_view textCp932) {
    return textCp932.find(',') != std::string_view::npos
               ? Sjis("設定値に , を使用することはできません。")
               : std::string();
}

}  // namespace halvera
