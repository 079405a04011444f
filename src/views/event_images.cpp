#include "views/event_images.h"

#include "store/event_kind.h"

namespace halvera {

QList<QPixmap> EventImages() {
    QList<QPixmap> images;
    for (int kind = 0; kind < EVENT_KIND_COUNT; ++kind) {
        images.push_back(QPixmap(QStringLiteral(":/images/event%1.png").arg(kind)));
    }
    return images;
}

}  // namespace halvera
