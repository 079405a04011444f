#include "store/kept_file.h"

#include <utility>

namespace halvera {

KeptFile::KeptFile(FolderFn folder, std::string name, FileFamily family,
                   std::function<void()> reportOpenFailure)
    : m_folder(folder),
      m_name(std::move(name)),
      m_family(family),
      m_reportOpenFailure(std::move(reportOpenFailure)) {}

KeptFile::~KeptFile() {
    Close();
}

std::filesystem::path KeptFile::Path() const {
    return m_folder() / m_name;
}

std::FILE* KeptFile::Open(const std::filesystem::path& path, int openMode) {
    // A mode that opens nothing is the caller's choice, not a file that failed.
    if (FopenMode(m_family, openMode, true) == nullptr) {
        return nullptr;
    }
    std::FILE* file = OpenDataFile(path.empty() ? Path() : path, m_family, openMode);
    if (file == nullptr) {
        m_reportOpenFailure();
    }
    return file;
}

std::FILE* KeptFile::Kept(int openMode) {
    if (m_file == nullptr) {
        m_file = Open({}, openMode);
    }
    return m_file;
}

void KeptFile::Close() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

}  // namespace halvera
