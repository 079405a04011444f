#include "base/program_folder.h"

#include "base/xdg_folders.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace halvera {
namespace {

std::mutex g_mutex;
std::filesystem::path g_folder;
std::filesystem::path g_data;

std::filesystem::path ExecutableFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return std::filesystem::current_path(ec);
    }
    return exe.parent_path();
}

std::filesystem::path ProgramFolderLocked() {
    if (g_folder.empty()) {
        g_folder = ExecutableFolder();
    }
    return g_folder;
}

}  // namespace

std::filesystem::path ProgramFolder() {
    std::lock_guard lock(g_mutex);
    return ProgramFolderLocked();
}

std::filesystem::path ChooseDataFolder(const std::filesystem::path& program) {
    // systemd's StateDirectory= (a list separated by colons; the first is ours).
    if (const char* state = std::getenv("STATE_DIRECTORY"); state != nullptr && *state != 0) {
        const std::string_view list = state;
        return std::filesystem::path(std::string(list.substr(0, list.find(':'))));
    }
    const std::string text = program.string();
    const bool system = text.starts_with("/usr/") || text.starts_with("/opt/");
    if (!system && access(program.c_str(), W_OK) == 0) {
        return program;
    }
    std::filesystem::path data = XdgDataHome() / "halvera";
    std::error_code ec;
    std::filesystem::create_directories(data, ec);
    return data;
}

std::filesystem::path DataFolder() {
    std::lock_guard lock(g_mutex);
    if (g_data.empty()) {
        g_data = ChooseDataFolder(ProgramFolderLocked());
    }
    return g_data;
}

void SetProgramFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(g_mutex);
    g_folder = folder;
    g_data = folder;
}

void SetDataFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(g_mutex);
    g_data = folder;
}

std::filesystem::path DbFolder() {
    return DataFolder() / "db";
}
std::filesystem::path TmpFolder() {
    return DataFolder() / "tmp";
}
std::filesystem::path LogFolder() {
    return DataFolder() / "log";
}
std::filesystem::path BinFolder() {
    return ProgramFolder() / "bin";
}

void CreateWorkingFolders() {
    std::vector<std::filesystem::path> folders{DbFolder(), TmpFolder(), LogFolder()};
    // A program folder that is also the data folder is this user's to complete.
    if (ProgramFolder() == DataFolder()) {
        folders.push_back(BinFolder());
    }
    for (const auto& folder : folders) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
}

}  // namespace halvera
