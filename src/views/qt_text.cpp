#include "views/qt_text.h"

#include "base/text_codec.h"

namespace halvera {

QString FromCp932(std::string_view cp932) {
    return QString::fromStdString(Cp932ToUtf8Lossy(cp932));
}

std::string ToCp932(const QString& text) {
    return Utf8ToCp932Lossy(text.toStdString());
}

}  // namespace halvera
