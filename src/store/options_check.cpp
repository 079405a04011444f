#include "store/options_check.h"

#include "base/text_codec.h"
#include "store/search_settings_check.h"

namespace halvera {

std::string CheckEventListRows(std::string_view text) {
    constexpr std::uint32_t MOST_ROWS = 65535;
    const auto rows = ReadSettingNumber(text);
    if (!rows || *rows == 0 || *rows > MOST_ROWS) {
        return Sjis("イベントリスト表示数を1～65535以内で指定してください。");
    }
    return {};
}

}  // namespace halvera
