#include "store/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>
#include <utility>

#include "base/file_opener.h"
#include "base/program_folder.h"
#include "base/text_codec.h"

namespace halvera {
namespace {

constexpr std::string_view LOG_TAG = "filed";

bool WriteFully(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool ReadFully(int fd, std::size_t size, std::string& bytes) {
    bytes.resize(size);
    std::size_t done = 0;
    while (done < size) {
        ssize_t got = ::pread(fd, bytes.data() + done, size - done, static_cast<off_t>(done));
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

// Makes a rename inside the folder survive a power loss.
void SyncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Moves a whole file into place so that the target is either the old file or the complete
// new one, also when the two folders lie on different file systems.
bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to,
                 const std::filesystem::path& staging) {
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    if (!ec) {
        return true;
    }
    std::filesystem::copy_file(from, staging, std::filesystem::copy_options::overwrite_existing,
                               ec);
    if (!ec) {
        std::filesystem::rename(staging, to, ec);
    }
    if (ec) {
        std::filesystem::remove(staging, ec);
        return false;
    }
    std::filesystem::remove(from, ec);
    return true;
}

}  // namespace

RecordFile::RecordFile(RecordFileInfo info, Prompt& prompt, ErrorLog& errorLog)
    : m_info(info), m_prompt(prompt), m_errorLog(errorLog) {}

RecordFile::~RecordFile() {
    Close();
}

std::filesystem::path RecordFile::Path() const {
    return DbFolder() / m_info.fileName;
}

std::filesystem::path RecordFile::CopyPath() const {
    return TmpFolder() / m_info.fileName;
}

std::filesystem::path RecordFile::NewPath() const {
    return DbFolder() / (std::string(m_info.fileName) + ".new");
}

std::FILE* RecordFile::OpenStoreFile(const std::filesystem::path& path, int openMode) {
    std::FILE* file = OpenDataFile(path, FileFamily::Binary, openMode);
    if (file == nullptr) {
        ReportOpenFailure();
    }
    return file;
}

void RecordFile::ReportOpenFailure() {
    ShowStop(m_prompt, Sjis(m_info.openErrorBox));
    if (!m_info.openErrorLog.empty()) {
        m_errorLog.WriteErrorLog(LOG_TAG, m_info.openErrorLog);
    }
}

bool RecordFile::Open(int openMode) {
    Close();
    if (!FinishInterruptedDeletion(openMode)) {
        ReportOpenFailure();
        return false;
    }
    m_file = OpenStoreFile(Path(), openMode);
    if (m_file == nullptr) {
        return false;
    }
    if (!Load()) {
        Close();
        return false;
    }
    return true;
}

void RecordFile::Close() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_size = 0;
}

// A deletion never removes the file below db/: it replaces it by a complete new file, and
// drops its copy in tmp/ before doing so. So a new file left in db/ never took over, and a
// copy left in tmp/ is never longer than the file. A copy that is longer, or that has no file
// beside it, is what a deletion that removed the file before writing it again leaves behind
// (or someone removing the file by hand): then the copy holds the store and goes back.
bool RecordFile::FinishInterruptedDeletion(int openMode) {
    std::error_code ec;
    std::filesystem::remove(NewPath(), ec);
    const auto copy = CopyPath();
    if (!std::filesystem::is_regular_file(copy, ec)) {
        return true;
    }
    if (openMode != OPEN_CREATE) {
        const auto path = Path();
        const auto copySize = std::filesystem::file_size(copy, ec);
        std::error_code pathEc;
        const bool present = std::filesystem::exists(path, pathEc);
        const auto size = present ? std::filesystem::file_size(path, pathEc) : 0;
        if (!ec && (!present || size < copySize)) {
            if (!ReplaceFile(copy, path, NewPath())) {
                Log("cannot be restored from its copy in tmp");
                return false;
            }
            Log("restored from its copy in tmp after an interrupted deletion");
            return true;
        }
    }
    std::filesystem::remove(copy, ec);
    return true;
}

bool RecordFile::Load() {
    struct stat info {};
    if (::fstat(fileno(m_file), &info) != 0) {
        return false;
    }
    const auto torn = static_cast<std::size_t>(info.st_size) % m_info.recordSize;
    if (torn != 0) {
        // A record cut short at the end would shift every record appended after it.
        if (::ftruncate(fileno(m_file), info.st_size - static_cast<off_t>(torn)) == 0) {
            Log(std::to_string(torn) + " bytes of a partial record at the end dropped");
        } else {
            Log("partial record at the end cannot be dropped");
        }
    }
    ++m_generation;
    return RefreshStat();
}

bool RecordFile::RefreshStat() {
    struct stat info {};
    if (::fstat(fileno(m_file), &info) != 0) {
        return false;
    }
    m_size = static_cast<std::size_t>(info.st_size);
    m_modified = info.st_mtim;
    return true;
}

bool RecordFile::EnsureCurrent() {
    if (m_file == nullptr) {
        return Open(OPEN_UPDATE);
    }
    struct stat onDisk {};
    struct stat open {};
    if (::stat(Path().c_str(), &onDisk) != 0 || ::fstat(fileno(m_file), &open) != 0 ||
        onDisk.st_ino != open.st_ino || onDisk.st_dev != open.st_dev) {
        return Open(OPEN_UPDATE);
    }
    if (static_cast<std::size_t>(open.st_size) != m_size ||
        open.st_mtim.tv_sec != m_modified.tv_sec || open.st_mtim.tv_nsec != m_modified.tv_nsec) {
        return Load();
    }
    return true;
}

bool RecordFile::Read(std::size_t n, std::string& record) const {
    if (m_file == nullptr || n >= Count()) {
        return false;
    }
    record.resize(m_info.recordSize);
    const auto offset = static_cast<off_t>(n * m_info.recordSize);
    return ::pread(fileno(m_file), record.data(), record.size(), offset) ==
           static_cast<ssize_t>(record.size());
}

std::string RecordFile::ReadAll() const {
    std::string all;
    if (m_file == nullptr || !ReadFully(fileno(m_file), Count() * m_info.recordSize, all)) {
        all.clear();
    }
    return all;
}

bool RecordFile::Write(std::size_t n, std::string_view record) {
    if (m_file == nullptr || n > Count() || record.size() != m_info.recordSize) {
        return false;
    }
    const auto offset = static_cast<off_t>(n * m_info.recordSize);
    const bool written = ::pwrite(fileno(m_file), record.data(), record.size(), offset) ==
                         static_cast<ssize_t>(record.size());
    if (!written) {
        if (n == Count()) {
            // Never leave half an appended record behind.
            ::ftruncate(fileno(m_file), offset);
        }
        Log("record cannot be written");
    }
    RefreshStat();
    return written;
}

bool RecordFile::Rewrite(const std::function<bool(std::string_view)>& keep) {
    std::error_code ec;
    const std::string content = ReadAll();
    const auto copyPath = CopyPath();
    std::FILE* copy = OpenStoreFile(copyPath, OPEN_CREATE);
    if (copy == nullptr) {
        std::filesystem::remove(copyPath, ec);
        return false;
    }
    std::string source;
    const bool copied =
        WriteFully(fileno(copy), content) && ReadFully(fileno(copy), content.size(), source);
    std::fclose(copy);
    if (!copied) {
        std::filesystem::remove(copyPath, ec);
        Log("copy in tmp cannot be written");
        return false;
    }

    std::string kept;
    kept.reserve(source.size());
    const std::string_view records(source);
    for (std::size_t offset = 0; offset + m_info.recordSize <= records.size();
         offset += m_info.recordSize) {
        const auto record = records.substr(offset, m_info.recordSize);
        if (keep(record)) {
            kept.append(record);
        }
    }
    if (kept.size() == source.size()) {
        std::filesystem::remove(copyPath, ec);
        return false;
    }

    const auto newPath = NewPath();
    std::FILE* fresh = OpenStoreFile(newPath, OPEN_CREATE);
    if (fresh == nullptr || !WriteFully(fileno(fresh), kept) || ::fsync(fileno(fresh)) != 0) {
        if (fresh != nullptr) {
            std::fclose(fresh);
            Log("new file cannot be written");
        }
        std::filesystem::remove(newPath, ec);
        std::filesystem::remove(copyPath, ec);
        return false;
    }
    // The copy goes before the new file takes over: a copy found at the next opening then
    // always belongs to a rewrite that left the old file in place.
    std::filesystem::remove(copyPath, ec);
    std::filesystem::rename(newPath, Path(), ec);
    if (ec) {
        std::fclose(fresh);
        std::filesystem::remove(newPath, ec);
        Log("new file cannot replace the old one");
        return false;
    }
    SyncFolder(DbFolder());
    std::fclose(m_file);
    m_file = fresh;
    ++m_generation;
    RefreshStat();
    return true;
}

void RecordFile::Log(std::string_view what) {
    m_errorLog.WriteErrorLog(LOG_TAG, std::string(m_info.fileName) + ": " + std::string(what));
}

}  // namespace halvera
