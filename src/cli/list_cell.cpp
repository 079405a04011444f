#include "cli/list_cell.h"

#include <cstdio>
#include <ctime>

#include "base/text_codec.h"
#include "store/event_kind.h"
#include "store/node_line.h"

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

std::optional<std::string> IsoLocalTime(std::string_view shown) {
    std::tm parts{};
    char end = 0;
    const std::string text(shown);
    if (text.size() != 19 ||
        std::sscanf(text.c_str(), "%4d/%2d/%2d %2d:%2d:%2d%c", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &end) != 6) {
        return std::nullopt;
    }
    std::tm local = parts;
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    // The zone's offset at that moment, summer time included.
    const std::time_t moment = std::mktime(&local);
    if (moment == static_cast<std::time_t>(-1) || localtime_r(&moment, &local) == nullptr) {
        return std::nullopt;
    }
    const long offset = local.tm_gmtoff;
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    char iso[40];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", parts.tm_year,
                  parts.tm_mon, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return std::string(iso);
}

ListCell TimeCell(std::string_view shown) {
    const auto iso = IsoLocalTime(shown);
    return {std::string(shown),
            iso ? nlohmann::ordered_json(*iso) : nlohmann::ordered_json(nullptr)};
}

ListCell MacCell(std::string_view shown) {
    const auto mac = shown.empty() ? std::nullopt : ParseMac(shown);
    if (!mac) {
        return {std::string(shown), nullptr};
    }
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", (*mac)[0], (*mac)[1],
                  (*mac)[2], (*mac)[3], (*mac)[4], (*mac)[5]);
    return {std::string(shown), std::string(text)};
}

ListCell EventKindCell(int kind) {
    const std::string name = Cp932ToUtf8Lossy(EventKindText(kind));
    return {name, {{"number", kind}, {"name", name}}};
}

}  // namespace halvera
