#pragma once

#include <QFont>

namespace halvera {

// The fixed-pitch Japanese face of the tabs and the banner.
inline constexpr const char* GOTHIC_FAMILY = "ＭＳ ゴシック";

// Maps the Japanese face to the Japanese font Debian ships (IPAGothic), so fixed texts do
// not fall back to a Latin font. Call once, before the first window.
void InstallFontSubstitutes();

// The face at 13 pixels, normal weight.
QFont GothicFont();

}  // namespace halvera
