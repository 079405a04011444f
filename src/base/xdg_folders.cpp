#include "base/xdg_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace halvera {
namespace {

std::filesystem::path HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return home;
    }
    passwd entry{};
    passwd* found = nullptr;
    char buffer[16384];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
        return found->pw_dir;
    }
    return {};
}

std::filesystem::path BaseFolder(const char* variable, const std::filesystem::path& belowHome) {
    const char* value = std::getenv(variable);
    if (value != nullptr && std::filesystem::path(value).is_absolute()) {
        return value;
    }
    return HomeFolder() / belowHome;
}

}  // namespace

std::filesystem::path XdgConfigHome() {
    return BaseFolder("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path XdgDataHome() {
    return BaseFolder("XDG_DATA_HOME", std::filesystem::path(".local") / "share");
}

}  // namespace halvera
