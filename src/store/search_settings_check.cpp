#include "store/search_settings_check.h"

#include <arpa/inet.h>

#include <charconv>
#include <limits>

#include "base/text_codec.h"

namespace halvera {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<Ipv4> ReadDotted(std::string_view text) {
    const std::string copy(TrimBlanks(text));
    in_addr address{};
    if (inet_pton(AF_INET, copy.c_str(), &address) != 1) {
        return std::nullopt;
    }
    return address.s_addr;
}

bool IsWithin(std::string_view text, std::uint32_t low, std::uint32_t high) {
    const auto value = ReadSettingNumber(text);
    return value && *value >= low && *value <= high;
}

}  // namespace

int PollUnitIndex(std::int32_t unitSeconds) {
    for (int i = 0; i < POLL_UNIT_COUNT; ++i) {
        if (POLL_UNITS[i] == unitSeconds) {
            return i;
        }
    }
    return -1;
}

std::optional<std::uint32_t> ReadSettingNumber(std::string_view text) {
    const std::string_view digits = TrimBlanks(text);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

std::string CheckPollInterval(std::string_view text, std::int32_t unitSeconds) {
    // The settings file keeps the interval in seconds as a signed 32-bit number.
    const std::uint32_t most = static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max() /
                                                          (unitSeconds > 0 ? unitSeconds : 1));
    if (!IsWithin(text, 0, most)) {
        return Sjis("ポーリング間隔が不正です。");
    }
    return {};
}

std::string CheckSearchRange(Ipv4 start, Ipv4 end) {
    if (HostOrder(start) > HostOrder(end)) {
        return Sjis("アドレス範囲が不正です。");
    }
    return {};
}

std::string CheckSearchRangeText(std::string_view startText, std::string_view endText, Ipv4& start,
                                 Ipv4& end) {
    const auto first = ReadDotted(startText);
    const auto last = ReadDotted(endText);
    if (!first || !last) {
        return Sjis("アドレス範囲が不正です。");
    }
    std::string refusal = CheckSearchRange(*first, *last);
    if (refusal.empty()) {
        start = *first;
        end = *last;
    }
    return refusal;
}

}  // namespace halvera
