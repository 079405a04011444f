#include "app/app_services.h"

#include <algorithm>

namespace halvera {

bool IsIdleForShutdown(const AppServices& services) {
    if (services.runs != nullptr && services.runs->IsRunActive()) {
        return false;
    }
    return std::none_of(services.fileBusyFlags.begin(), services.fileBusyFlags.end(),
                        [](const BusyFlag* flag) { return flag->IsBusy(); });
}

}  // namespace halvera
