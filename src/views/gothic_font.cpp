#include "views/gothic_font.h"

#include <QStringList>

namespace halvera {

void InstallFontSubstitutes() {
    QFont::insertSubstitutions(
        QString::fromUtf8(GOTHIC_FAMILY),
        {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP")});
}

QFont GothicFont() {
    QFont font(QString::fromUtf8(GOTHIC_FAMILY));
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

}  // namespace halvera
