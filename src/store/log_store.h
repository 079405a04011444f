#pragma once

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/kept_file.h"
#include "base/program_folder.h"
#include "lists/error_log.h"
#include "lists/list_table.h"
#include "lists/list_tables.h"
#include "lists/progress.h"
#include "lists/prompt.h"
#include "store/event_settings.h"
#include "store/node_record.h"
#include "store/settings_store.h"

namespace halvera {

// The two logs of the log folder.
enum class LogKind { Event, Error };

// Limits of the log lines, in bytes.
inline constexpr std::size_t EVENT_LOG_LINE_MAX = 1024;  // a whole event line, LF included
inline constexpr std::size_t ERROR_LOG_LINE_MAX = 1096;  // the buffer of an error line
inline constexpr std::size_t ERROR_TAG_MAX = 36;
inline constexpr std::size_t ERROR_MESSAGE_MAX = 1024;

// Field buffers of the readers: a field keeps at most its buffer size less one byte.
inline constexpr std::size_t EVENT_KIND_FIELD = 10;
inline constexpr std::size_t EVENT_DATE_FIELD = 36;
inline constexpr std::size_t EVENT_IP_FIELD = 36;
inline constexpr std::size_t EVENT_HOST_FIELD = 128;
inline constexpr std::size_t EVENT_MESSAGE_FIELD = 256;
// An error line reads back whole: its tag and message fields hold what the writer keeps.
inline constexpr std::size_t ERROR_TAG_FIELD = ERROR_TAG_MAX + 1;
inline constexpr std::size_t ERROR_DATE_FIELD = 36;
inline constexpr std::size_t ERROR_MESSAGE_FIELD = ERROR_MESSAGE_MAX + 1;

// Filter modes of ReadEventLog.
enum EventLogFilter {
    FILTER_KIND = 0,  // kind equals the filter text read as a number
    FILTER_DATE = 1,  // the first 10 bytes of the date-time equal those of the filter text
    FILTER_IP = 2,
    FILTER_HOST = 3,
    FILTER_ALL = 4,
};

// Lines and bytes shown by a read.
struct LogCounters {
    long long rows = 0;
    long long bytes = 0;
};

// Copies one field of a log line into field: the bytes before the next separator ("," —
// except for the last field of a line, which runs to the line end —, CR or LF) or the end
// of the line, of which at most capacity - 1 are kept, never half a two-byte character.
// Returns how many bytes of the line the field took with its separator, so the next field
// starts there; a line that ends early gives empty fields.
std::size_t CopyLogField(std::string_view line, std::size_t capacity, bool lastField,
                         std::string& field);

// The event log (log/log.log) and the error log (log/alog.log): append-only CR LF text
// files, each mirrored row for line by its list, so row n of a list is line n of its file.
// Each file has its own busy flag; an event log operation may write the error log while it
// holds its flag, never the other way round.
class LogStore : public ErrorLog {
  public:
    // eventLogList: EVENT_LOG_COLUMNS columns; errorLogList: ERROR_LOG_COLUMNS columns.
    LogStore(ListTable& eventLogList, ListTable& errorLogList, Prompt& prompt,
             const SettingsStore& settings);
    ~LogStore() override;
    LogStore(const LogStore&) = delete;
    LogStore& operator=(const LogStore&) = delete;

    // Start-up: creates the log folder and opens the event log for appending, keeping it
    // open. Result 0, or 1 when the event log could not be opened (already reported).
    int Init();
    // Shutdown: closes both files.
    void Close();

    // Appends tag, date-time and message (cut to ERROR_MESSAGE_MAX bytes) to the error log
    // and a row to its list. A file that cannot be opened loses the line and adds no row.
    void WriteErrorLog(std::string_view tag, std::string_view messageCp932) override;
    // Appends kind, date-time, address, host name and the event's message, its placeholders
    // already expanded by the caller, to the event log and a row to its list.
    void WriteEventLog(const NodeRecord& node, std::string_view expandedMessage, int kind);

    // Fills the event log list with the lines that pass the filter (EventLogFilter). The
    // progress, when given, goes to progressBase plus the rows added.
    void ReadEventLog(int filterMode, std::string_view filterText, Progress* progress,
                      int progressBase);
    // Fills the error log list with every line.
    void ReadErrorLog(Progress* progress, int progressBase);

    int CountEventLog();
    int CountErrorLog();

    // Rewrites a log without the lines of the given rows (row n is line n). The progress
    // moves one step per line kept and once more per line written back. Result 0, or 1
    // when a file could not be opened or written; the log is then left as it was. The
    // caller removes the rows from the list.
    int DeleteEventLogRows(const std::vector<int>& selectedRows, Progress* progress);
    int DeleteErrorLogRows(const std::vector<int>& selectedRows, Progress* progress);

    // Opens a log with an open mode (1 "r", 2 "w", 5 "w+", 6 "a+"; others open nothing),
    // log.log or alog.log of the log folder when path is empty, retrying as every data file
    // does. A failure is shown ("Log File Access Error。" / "ActLog File Access Error。"),
    // and for the event log also written to the error log. The caller closes the file.
    std::FILE* OpenLogFile(LogKind kind, const std::filesystem::path& path, int openMode);

    // Counters of the last read of each log, and the event log totals of the last read that
    // showed every line (for the settings information).
    LogCounters EventLogCounters() const;
    LogCounters ErrorLogCounters() const;
    LogCounters EventLogTotals() const;

    // True while an operation holds the file (shutdown waits for it).
    bool IsBusy(LogKind kind) const;

  private:
    struct LogFile {
        LogFile(LogKind k, ListTable& l, std::size_t max)
            : kind(k),
              list(l),
              lineMax(max),
              file(LogFolder, k == LogKind::Event ? "log.log" : "alog.log", FileFamily::Appending) {
        }

        LogKind kind;
        ListTable& list;
        std::size_t lineMax;
        KeptFile file;  // its handle guarded by its busy flag
        std::atomic<long long> rows{0};
        std::atomic<long long> bytes{0};
    };

    static std::filesystem::path CopyPath(LogKind kind);
    LogFile& FileOf(LogKind kind) { return kind == LogKind::Event ? m_event : m_error; }
    const LogFile& FileOf(LogKind kind) const { return kind == LogKind::Event ? m_event : m_error; }
    bool EnsureOpen(LogFile& file);
    void ReportAccessFailure(LogKind kind);
    bool ScrollEnabled() const;
    void AppendRow(LogFile& file, ListRow row);
    bool AppendLine(LogFile& file, const std::string& line, ListRow row);
    void Read(LogFile& file, int filterMode, std::string_view filterText, Progress* progress,
              int progressBase);
    int Count(LogFile& file);
    int DeleteRows(LogFile& file, std::vector<int> selectedRows, Progress* progress);
    int RewriteWithout(LogFile& file, const std::vector<int>& selectedRows, Progress* progress,
                       bool& accessFailed);

    Prompt& m_prompt;
    const SettingsStore& m_settings;
    LogFile m_event;
    LogFile m_error;
    std::atomic<long long> m_totalRows{0};
    std::atomic<long long> m_totalBytes{0};
};

}  // namespace halvera
