#include "base/kept_file.h"

#include <utility>

namespace halvera {

KeptFile::KeptFile(FolderFn folder, std::string name, FileFamily family)
    : m_folder(folder), m_name(std::move(name)), m_family(family) {}

KeptFile::~KeptFile() {
    Close();
}

std::filesystem::path KeptFile::Path() const {
    return m_folder() / m_name;
}

bool KeptFile::Opens(int openMode) const {
    return FopenMode(m_family, openMode, true) != nullptr;
}

std::FILE* KeptFile::Open(const std::filesystem::path& path, int openMode) const {
    return OpenDataFile(path.empty() ? Path() : path, m_family, openMode);
}

std::FILE* KeptFile::Kept(int openMode) {
    if (m_file == nullptr) {
        m_file = Open({}, openMode);
    }
    return m_file;
}

void KeptFile::Keep(std::FILE* file) {
    Close();
    m_file = file;
}

bool KeptFile::Close() {
    if (m_file == nullptr) {
        return true;
    }
    const bool flushed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return flushed;
}

}  // namespace halvera
