#include "base/build_version.h"

namespace halvera {

std::string VersionText() {
    return std::string("1.00 (commit ") + HALVERA_BUILD_COMMIT + ")";
}

}  // namespace halvera
