#include "views/list_colours.h"

namespace halvera {

QColor ColourFromColorRef(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

std::int32_t ColorRefFromColour(const QColor& colour) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(colour.red()) |
                                     (static_cast<std::uint32_t>(colour.green()) << 8) |
                                     (static_cast<std::uint32_t>(colour.blue()) << 16));
}

ListColours ListColoursFromSettings(const AppSettings& settings) {
    ListColours colours;
    colours.background = ColourFromColorRef(settings.BCOLOR);
    colours.oddBackground = ColourFromColorRef(settings.BCOLOR2);
    colours.text = ColourFromColorRef(settings.FCOLOR);
    colours.stopped = ColourFromColorRef(settings.SCOLOR);
    colours.sniffing = ColourFromColorRef(settings.PCOLOR);
    colours.unmonitored = ColourFromColorRef(settings.NCOLOR);
    return colours;
}

}  // namespace halvera
