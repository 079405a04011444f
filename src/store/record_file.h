#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "base/busy_flag.h"
#include "base/kept_file.h"
#include "store/pending_report.h"

namespace halvera {

// What tells one file of the node database from the others.
struct RecordFileInfo {
    std::string_view fileName;      // below db/, and its copy below tmp/
    std::size_t recordSize;         // bytes per record, the last being LF
    std::string_view openErrorBox;  // UTF-8 text of the box when the file cannot be opened
    std::string_view openErrorLog;  // error log message for the same, empty for none
};

// One binary file of fixed-length records below db/, kept open between operations. Records are
// read and replaced in place at n × record size; a deletion rewrites the file through a copy
// in tmp/ and a new file that replaces the old one only once complete and on disk.
//
// The caller holds Flag() around every call except IsBusy(), and tells what the calls put
// into its report once it has released the flag. Generation() changes whenever the content
// was replaced as a whole (opened, found changed by someone else, rewritten), so an index
// built over the records knows when to rebuild.
class RecordFile {
  public:
    explicit RecordFile(RecordFileInfo info);
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    BusyFlag& Flag() { return m_file.Busy(); }
    bool IsBusy() const { return m_file.IsBusy(); }

    // Opens with open mode 4 (keep) or 5 (recreate empty). An interrupted deletion is finished
    // first, and a torn record at the end is cut off; a file whose records were shifted out
    // of their slots is put aside and rewritten with its whole records. Reports a failure and
    // returns false.
    bool Open(int openMode, PendingReport& report);
    void Close();

    // Opens the file when closed, reopens it when the file below db/ was replaced or removed,
    // and reloads when its size or time changed behind the store's back. False when the file
    // cannot be opened.
    bool EnsureCurrent(PendingReport& report);

    std::uint64_t Generation() const { return m_generation; }
    std::size_t RecordSize() const { return m_info.recordSize; }
    std::size_t Count() const { return m_size / m_info.recordSize; }

    // Record n, or false when there is none.
    bool Read(std::size_t n, std::string& record) const;
    // Every record in file order.
    std::string ReadAll() const;
    // Writes one record at n (n == Count() appends) with a single write.
    bool Write(std::size_t n, std::string_view record, PendingReport& report);
    // Keeps only the records for which keep() is true. False when the file was left as it was.
    bool Rewrite(const std::function<bool(std::string_view)>& keep, PendingReport& report);

  private:
    std::filesystem::path CopyPath() const;
    std::filesystem::path NewPath() const;
    std::FILE* OpenStoreFile(const std::filesystem::path& path, int openMode,
                             PendingReport& report);
    void ReportOpenFailure(PendingReport& report);
    bool FinishInterruptedDeletion(int openMode, PendingReport& report);
    bool RestoreFromCopy();
    bool Load(PendingReport& report);
    void Recover(std::string_view bytes, PendingReport& report);
    bool RefreshStat();
    void Log(PendingReport& report, std::string_view what);
    int Descriptor() const { return fileno(m_file.Handle()); }

    RecordFileInfo m_info;
    KeptFile m_file;
    std::uint64_t m_generation = 0;
    std::size_t m_size = 0;
    std::timespec m_modified{};
};

}  // namespace halvera
