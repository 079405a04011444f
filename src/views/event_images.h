#pragma once

#include <QList>
#include <QPixmap>

namespace halvera {

// Size of the event images of the event list and the event log.
inline constexpr int EVENT_IMAGE_WIDTH = 96;
inline constexpr int EVENT_IMAGE_HEIGHT = 19;

// The six event images, indexed by event kind.
QList<QPixmap> EventImages();

}  // namespace halvera
