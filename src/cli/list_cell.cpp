#include "cli/list_cell.h"

#include <cstdio>

#include "base/text_codec.h"
#include "store/event_kind.h"

namespace halvera {

ListCell TextCell(std::string utf8) {
    nlohmann::ordered_json value = utf8;
    return {std::move(utf8), std::move(value)};
}

ListCell NumberCell(std::int64_t number) {
    return {std::to_string(number), number};
}

ListCell FlagCell(bool set) {
    return {set ? "1" : "0", set};
}

ListCell SwitchCell(std::int32_t stored) {
    return {std::to_string(stored), stored != 0};
}

ListCell MarkCell(bool set, std::string markUtf8) {
    return {set ? std::move(markUtf8) : std::string(), set};
}

ListCell TimeCell(const LocalStamp& stamp) {
    const auto when = stamp.When();
    const auto iso = when ? IsoLocalTime(*when) : std::nullopt;
    return {stamp.Text(), iso ? nlohmann::ordered_json(*iso) : nlohmann::ordered_json(nullptr)};
}

ListCell MacCell(const MacAddress& mac) {
    if (IsZeroMac(mac)) {
        return {{}, nullptr};
    }
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return {FormatMac(mac), std::string(text)};
}

ListCell EventKindCell(int kind) {
    const std::string name = Cp932ToUtf8Lossy(EventKindText(kind));
    return {name, {{"number", kind}, {"name", name}}};
}

}  // namespace halvera
