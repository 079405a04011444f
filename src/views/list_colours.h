#pragma once

#include <QColor>

#include <cstdint>

#include "store/app_settings.h"

namespace halvera {

// The colours of the lists, from the settings BCOLOR ... NCOLOR.
struct ListColours {
    QColor background{255, 255, 255};     // BCOLOR
    QColor oddBackground{224, 224, 224};  // BCOLOR2: odd node list rows, counted from 0
    QColor text{0, 0, 0};                 // FCOLOR: normal text, nodes that are up
    QColor stopped{255, 0, 0};            // SCOLOR: nodes that are not up
    QColor sniffing{0, 0, 255};           // PCOLOR
    QColor unmonitored{192, 192, 192};    // NCOLOR
};

// A colour as the settings keep it: 0x00BBGGRR.
QColor ColourFromColorRef(std::int32_t value);
std::int32_t ColorRefFromColour(const QColor& colour);

ListColours ListColoursFromSettings(const AppSettings& settings);

}  // namespace halvera
