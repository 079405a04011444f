#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace halvera {

// The Qt boundary of the CP932 texts: what core stores is shown as QString, what the user
// types goes back as CP932 (a character CP932 cannot express becomes '?').
QString FromCp932(std::string_view cp932);
std::string ToCp932(const QString& text);

}  // namespace halvera
