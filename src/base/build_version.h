#pragma once

#include <string>

namespace halvera {

// "1.00 (commit 1a2b3c4)": the version and the commit the build was configured from
// ("unknown" outside a checkout), as `--version` prints it.
std::string VersionText();

}  // namespace halvera
