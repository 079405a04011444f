#include "base/program_folder.h"

#include <mutex>
#include <system_error>

namespace halvera {
namespace {

std::mutex g_mutex;
std::filesystem::path g_folder;

std::filesystem::path ExecutableFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return std::filesystem::current_path(ec);
    }
    return exe.parent_path();
}

}  // namespace

std::filesystem::path ProgramFolder() {
    std::lock_guard lock(g_mutex);
    if (g_folder.empty()) {
        g_folder = ExecutableFolder();
    }
    return g_folder;
}

void SetProgramFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(g_mutex);
    g_folder = folder;
}

std::filesystem::path DbFolder() {
    return ProgramFolder() / "db";
}
std::filesystem::path TmpFolder() {
    return ProgramFolder() / "tmp";
}
std::filesystem::path LogFolder() {
    return ProgramFolder() / "log";
}
std::filesystem::path BinFolder() {
    return ProgramFolder() / "bin";
}

void CreateWorkingFolders() {
    for (const auto& folder : {DbFolder(), TmpFolder(), LogFolder(), BinFolder()}) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
}

}  // namespace halvera
