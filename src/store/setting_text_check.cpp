#include "store/setting_text_check.h"

#include <algorithm>

#include "base/text_codec.h"

namespace halvera {
namespace {

// No CP932 trail byte lies below 0x40 or at 0x7F, so a byte test finds only real controls.
bool IsControlByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

std::string CheckSettingText(std::string_view textCp932) {
    if (textCp932.find(',') != std::string_view::npos) {
        return Sjis("設定値に , を使用することはできません。");
    }
    if (std::ranges::any_of(textCp932, IsControlByte)) {
        return Sjis("設定値に制御文字を使用することはできません。");
    }
    return {};
}

}  // namespace halvera
