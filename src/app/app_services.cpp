#include "app/app_services.h"

#include <algorithm>

namespace halvera {

bool IsIdleForShutdown(const AppServices& services) {
    if (services.runs != nullptr && services.runs->IsRunActive()) {
        return false;
    }
    return std::none_of(services.fileBusy.begin(), services.fileBusy.end(),
                        [](const std::function<bool()>& busy) { return busy(); });
}

}  // namespace halvera
