#include "store/record_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <system_error>
#include <utility>

#include "base/atomic_replace.h"
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

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
    std::FILE* file = OpenFileNoFollow(path, "rbe");
    if (file == nullptr) {
        return false;
    }
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    const bool read = !std::ferror(file);
    std::fclose(file);
    return read;
}

// Every record slot of the bytes ends with its LF: the records stand where they are read.
// The permission bits of the open store file; 0600 when they cannot be read.
mode_t ModeOf(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? info.st_mode & 0777 : 0600;
}

// A file the store creates beside its file holds the same records: it is narrowed to no wider
// than that file, which the umask alone would not do.
bool NarrowTo(std::FILE* file, mode_t mode) {
    return ::fchmod(fileno(file), ModeOf(fileno(file)) & mode) == 0;
}

bool IsAligned(std::string_view bytes, std::size_t recordSize) {
    if (bytes.size() % recordSize != 0) {
        return false;
    }
    for (std::size_t end = recordSize; end <= bytes.size(); end += recordSize) {
        if (bytes[end - 1] != '\n') {
            return false;
        }
    }
    return true;
}

struct Recovered {
    std::string records;
    std::size_t droppedBytes = 0;
    std::size_t places = 0;  // runs of damage, each ending at an LF or at the end
};

// The whole records of damaged bytes, as a line reader finds them: each LF ends a line, a
// line of one record's length is a record (one CR before its LF dropped, as line readers
// drop it); any other line, and bytes after the last LF, are damage.
Recovered RecoverRecords(std::string_view bytes, std::size_t recordSize) {
    Recovered recovered;
    bool inDamage = false;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t lf = bytes.find('\n', start);
        const std::size_t end = lf == std::string_view::npos ? bytes.size() : lf + 1;
        std::string_view line = bytes.substr(start, end - start);
        if (line.size() == recordSize + 1 && line.ends_with("\r\n")) {
            recovered.records.append(line.substr(0, recordSize - 1));
            recovered.records.push_back('\n');
            recovered.droppedBytes += 1;
            recovered.places += 1;
            inDamage = false;
        } else if (line.size() == recordSize && line.back() == '\n') {
            recovered.records.append(line);
            inDamage = false;
        } else {
            recovered.droppedBytes += line.size();
            recovered.places += inDamage ? 0 : 1;
            inDamage = true;
        }
        start = end;
    }
    return recovered;
}

// "20261210-172000" in local time, for the name of a file put aside.
std::string FileStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

}  // namespace

RecordFile::RecordFile(RecordFileInfo info)
    : m_info(info), m_file(DbFolder, std::string(info.fileName), FileFamily::Binary) {}

std::filesystem::path RecordFile::CopyPath() const {
    return TmpFolder() / m_info.fileName;
}

std::filesystem::path RecordFile::NewPath() const {
    return DbFolder() / (std::string(m_info.fileName) + ".new");
}

std::FILE* RecordFile::OpenStoreFile(const std::filesystem::path& path, int openMode,
                                     PendingReport& report) {
    std::FILE* file = m_file.Open(path, openMode);
    if (file == nullptr) {
        ReportOpenFailure(report);
    }
    return file;
}

void RecordFile::ReportOpenFailure(PendingReport& report) {
    report.Stop(Sjis(m_info.openErrorBox));
    if (!m_info.openErrorLog.empty()) {
        report.Log(LOG_TAG, m_info.openErrorLog);
    }
}

bool RecordFile::Open(int openMode, PendingReport& report) {
    Close();
    if (!FinishInterruptedDeletion(openMode, report)) {
        ReportOpenFailure(report);
        return false;
    }
    if (m_file.Kept(openMode) == nullptr) {
        ReportOpenFailure(report);
        return false;
    }
    if (!Load(report)) {
        Close();
        return false;
    }
    return true;
}

void RecordFile::Close() {
    m_file.Close();
    m_size = 0;
}

// A deletion never removes the file below db/: it replaces it by a complete new file, and
// drops its copy in tmp/ before doing so. So a new file left in db/ never took over, and a
// copy left in tmp/ is never longer than the file. A copy that is longer, or that has no file
// beside it, is what a deletion that removed the file before writing it again leaves behind
// (or someone removing the file by hand): then the copy holds the store and goes back.
bool RecordFile::FinishInterruptedDeletion(int openMode, PendingReport& report) {
    std::error_code ec;
    std::filesystem::remove(NewPath(), ec);
    const auto copy = CopyPath();
    // A link in the copy's place is no copy of the store's: what it points at never goes in.
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(copy, ec))) {
        return true;
    }
    if (openMode != OPEN_CREATE) {
        const auto path = m_file.Path();
        const auto copySize = std::filesystem::file_size(copy, ec);
        std::error_code pathEc;
        const bool present = std::filesystem::exists(path, pathEc);
        const auto size = present ? std::filesystem::file_size(path, pathEc) : 0;
        if (!ec && (!present || size < copySize)) {
            if (!RestoreFromCopy()) {
                Log(report, "cannot be restored from its copy in tmp");
                return false;
            }
            Log(report, "restored from its copy in tmp after an interrupted deletion");
            return true;
        }
    }
    std::filesystem::remove(copy, ec);
    return true;
}

// Puts the copy's records back through a new file that replaces the file whole, also when
// tmp/ and db/ lie on different file systems; the copy goes only once the file is back.
bool RecordFile::RestoreFromCopy() {
    std::string bytes;
    if (!ReadWholeFile(CopyPath(), bytes)) {
        return false;
    }
    const auto newPath = NewPath();
    AtomicReplace restored(m_file.Path(), newPath, OpenFileNoFollow(newPath, "w+be"));
    restored.Write(bytes);
    if (!restored.Commit().Replaced()) {
        return false;
    }
    std::error_code ec;
    std::filesystem::remove(CopyPath(), ec);
    return true;
}

bool RecordFile::Load(PendingReport& report) {
    struct stat info {};
    std::string bytes;
    if (::fstat(Descriptor(), &info) != 0 ||
        !ReadFully(Descriptor(), static_cast<std::size_t>(info.st_size), bytes)) {
        return false;
    }
    const std::size_t torn = bytes.size() % m_info.recordSize;
    const std::string_view whole = std::string_view(bytes).substr(0, bytes.size() - torn);
    if (!IsAligned(whole, m_info.recordSize)) {
        Recover(bytes, report);
    } else if (torn != 0) {
        // A record cut short at the end would shift every record appended after it.
        if (::ftruncate(Descriptor(), static_cast<off_t>(whole.size())) == 0) {
            Log(report, std::to_string(torn) + " bytes of a partial record at the end dropped");
        } else {
            Log(report, "partial record at the end cannot be dropped");
        }
    }
    ++m_generation;
    return RefreshStat();
}

// A record that lost or gained a byte, or line ends turned into CR LF, shifts every record
// after it out of its slot. The whole records are kept, each in its slot again; the file as
// it was stays beside it for the user, and the log says what was dropped.
void RecordFile::Recover(std::string_view bytes, PendingReport& report) {
    const Recovered recovered = RecoverRecords(bytes, m_info.recordSize);
    const std::string asideName = std::string(m_info.fileName) + ".damaged-" + FileStamp();
    const auto aside = DbFolder() / asideName;
    // The damaged file and the file rewritten from it are readable by no one who could not
    // read the file itself.
    const mode_t mode = ModeOf(Descriptor());
    std::FILE* copy = OpenFileNoFollow(aside, "wxbe", mode);
    const bool putAside =
        copy != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), copy) == bytes.size();
    if (copy != nullptr && (std::fclose(copy) != 0 || !putAside)) {
        std::error_code ec;
        std::filesystem::remove(aside, ec);
    }
    if (!putAside) {
        Log(report, "damaged, and cannot be put aside as db/" + asideName + "; left as it is");
        return;
    }
    const auto newPath = NewPath();
    AtomicReplace fresh(m_file.Path(), newPath, OpenFileNoFollow(newPath, "w+be", mode));
    fresh.Write(recovered.records);
    if (!fresh.Commit().Replaced()) {
        Log(report,
            "damaged, and cannot be rewritten; the damaged file is kept as db/" + asideName);
        return;
    }
    m_file.Keep(fresh.Release());
    Log(report, "damaged: " + std::to_string(recovered.droppedBytes) + " bytes in " +
                    std::to_string(recovered.places) + " places dropped, " +
                    std::to_string(recovered.records.size() / m_info.recordSize) +
                    " records kept; the damaged file is kept as db/" + asideName);
}

bool RecordFile::RefreshStat() {
    struct stat info {};
    if (::fstat(Descriptor(), &info) != 0) {
        return false;
    }
    m_size = static_cast<std::size_t>(info.st_size);
    m_modified = info.st_mtim;
    return true;
}

bool RecordFile::EnsureCurrent(PendingReport& report) {
    if (m_file.Handle() == nullptr) {
        return Open(OPEN_UPDATE, report);
    }
    struct stat onDisk {};
    struct stat open {};
    if (::stat(m_file.Path().c_str(), &onDisk) != 0 || ::fstat(Descriptor(), &open) != 0 ||
        onDisk.st_ino != open.st_ino || onDisk.st_dev != open.st_dev) {
        return Open(OPEN_UPDATE, report);
    }
    if (static_cast<std::size_t>(open.st_size) != m_size ||
        open.st_mtim.tv_sec != m_modified.tv_sec || open.st_mtim.tv_nsec != m_modified.tv_nsec) {
        return Load(report);
    }
    return true;
}

bool RecordFile::Read(std::size_t n, std::string& record) const {
    if (m_file.Handle() == nullptr || n >= Count()) {
        return false;
    }
    record.resize(m_info.recordSize);
    const auto offset = static_cast<off_t>(n * m_info.recordSize);
    return ::pread(Descriptor(), record.data(), record.size(), offset) ==
           static_cast<ssize_t>(record.size());
}

std::string RecordFile::ReadAll() const {
    std::string all;
    if (m_file.Handle() == nullptr || !ReadFully(Descriptor(), Count() * m_info.recordSize, all)) {
        all.clear();
    }
    return all;
}

bool RecordFile::Write(std::size_t n, std::string_view record, PendingReport& report) {
    if (m_file.Handle() == nullptr || n > Count() || record.size() != m_info.recordSize) {
        return false;
    }
    const auto offset = static_cast<off_t>(n * m_info.recordSize);
    const bool written = ::pwrite(Descriptor(), record.data(), record.size(), offset) ==
                         static_cast<ssize_t>(record.size());
    if (!written) {
        if (n == Count()) {
            // Never leave half an appended record behind; should that fail as well, the next
            // open drops the partial record.
            [[maybe_unused]] const int truncated = ::ftruncate(Descriptor(), offset);
        }
        Log(report, "record cannot be written");
    }
    RefreshStat();
    return written;
}

bool RecordFile::Rewrite(const std::function<bool(std::string_view)>& keep, PendingReport& report) {
    std::error_code ec;
    const std::string content = ReadAll();
    const mode_t mode = ModeOf(Descriptor());
    const auto copyPath = CopyPath();
    std::FILE* copy = OpenStoreFile(copyPath, OPEN_CREATE, report);
    if (copy == nullptr) {
        std::filesystem::remove(copyPath, ec);
        return false;
    }
    std::string source;
    const bool copied = NarrowTo(copy, mode) && WriteFully(fileno(copy), content) &&
                        ReadFully(fileno(copy), content.size(), source);
    std::fclose(copy);
    if (!copied) {
        std::filesystem::remove(copyPath, ec);
        Log(report, "copy in tmp cannot be written");
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
    std::FILE* opened = OpenStoreFile(newPath, OPEN_CREATE, report);
    const bool narrowed = opened != nullptr && NarrowTo(opened, mode);
    AtomicReplace fresh(m_file.Path(), newPath, opened);
    fresh.Write(kept);
    if (!narrowed || !fresh.Sync()) {
        if (opened != nullptr) {
            Log(report, "new file cannot be written");
        }
        std::filesystem::remove(newPath, ec);
        std::filesystem::remove(copyPath, ec);
        return false;
    }
    // The copy goes before the new file takes over: a copy found at the next opening then
    // always belongs to a rewrite that left the old file in place.
    std::filesystem::remove(copyPath, ec);
    if (!fresh.Commit().Replaced()) {
        Log(report, "new file cannot replace the old one");
        return false;
    }
    m_file.Keep(fresh.Release());
    ++m_generation;
    RefreshStat();
    return true;
}

void RecordFile::Log(PendingReport& report, std::string_view what) {
    report.Log(LOG_TAG, std::string(m_info.fileName) + ": " + std::string(what));
}

}  // namespace halvera
