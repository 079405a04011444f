#include "store/log_store.h"

#include <algorithm>
#include <system_error>

#include "base/atomic_replace.h"
#include "base/clock.h"
#include "base/file_opener.h"
#include "base/ini_file.h"
#include "base/ip_address.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "base/text_file.h"
#include "store/event_kind.h"

namespace halvera {
namespace {

// Reads one whole line in text mode, its LF included when it has one. A line longer than a
// reader's limit is still one line: cutting it into pieces would shift every later line
// against its row.
bool ReadWholeLine(std::FILE* file, std::string& line) {
    line.clear();
    std::string piece;
    while (ReadTextLine(file, 4096, piece)) {
        line += piece;
        if (line.back() == '\n') {
            break;
        }
    }
    return !line.empty();
}

// What a reader with a buffer of lineMax bytes keeps of a line.
std::string_view LineHead(std::string_view line, std::size_t lineMax) {
    return line.substr(0, lineMax - 1);
}

// A field as it may stand in a line: CR, LF and NUL would end the line early (and put the
// file out of step with its list), so they become blanks; a "," would end any field but
// the last.
std::string FieldText(std::string_view text, bool lastField) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        } else if (c == ',' && !lastField) {
            c = '_';
        }
    }
    return out;
}

bool Shown(int filterMode, std::string_view filterText, const std::string& kind,
           const std::string& date, const std::string& ip, const std::string& host) {
    switch (filterMode) {
        case FILTER_KIND:
            return ParseIntLikeAtoi(kind) == ParseIntLikeAtoi(filterText);
        case FILTER_DATE:
            return std::string_view(date).substr(0, 10) == filterText.substr(0, 10);
        case FILTER_IP:
            return ip == filterText;
        case FILTER_HOST:
            return host == filterText;
        case FILTER_ALL:
            return true;
        default:
            return false;
    }
}

int ImageOfKind(int kind) {
    return kind >= 0 && kind < EVENT_KIND_COUNT ? kind : -1;
}

}  // namespace

std::size_t CopyLogField(std::string_view line, std::size_t capacity, bool lastField,
                         std::string& field) {
    std::size_t length = 0;
    while (length < line.size() && line[length] != '\r' && line[length] != '\n' &&
           (lastField || line[length] != ',')) {
        ++length;
    }
    field = CutCp932(line.substr(0, length), capacity > 0 ? capacity - 1 : 0);
    return length < line.size() ? length + 1 : length;
}

LogStore::LogStore(ListTable& eventLogList, ListTable& errorLogList, Prompt& prompt,
                   const SettingsStore& settings)
    : m_prompt(prompt),
      m_settings(settings),
      m_event{LogKind::Event, eventLogList, EVENT_LOG_LINE_MAX},
      m_error{LogKind::Error, errorLogList, ERROR_LOG_LINE_MAX} {}

LogStore::~LogStore() {
    Close();
}

// Each log has its own copy, so deleting from both logs at once cannot mix them.
std::filesystem::path LogStore::CopyPath(LogKind kind) {
    return TmpFolder() / (kind == LogKind::Event ? "log.log" : "alog.log");
}

std::FILE* LogStore::OpenLogFile(LogKind kind, const std::filesystem::path& path, int openMode) {
    std::FILE* file = FileOf(kind).file.Open(path, openMode);
    if (file == nullptr) {
        ReportAccessFailure(kind);
    }
    return file;
}

bool LogStore::EnsureOpen(LogFile& file) {
    return file.file.Kept(OPEN_APPEND) != nullptr;
}

// Called with no busy flag held: the box waits for the user, and the GUI thread may want
// either log meanwhile.
void LogStore::ReportAccessFailure(LogKind kind) {
    if (kind == LogKind::Event) {
        WriteErrorLog("filed", "Log File Access Error");
        ShowStop(m_prompt, Sjis("Log File Access Error。"));
    } else {
        ShowStop(m_prompt, Sjis("ActLog File Access Error。"));
    }
}

bool LogStore::ScrollEnabled() const {
    return m_settings.App().SCROLL == 1;
}

void LogStore::AppendRow(LogFile& file, ListRow row) {
    int index = file.list.AppendRow(std::move(row));
    if (ScrollEnabled()) {
        file.list.ScrollTo(index);
    }
}

int LogStore::Init() {
    std::error_code ec;
    std::filesystem::create_directories(LogFolder(), ec);
    bool opened;
    {
        BusyGuard guard(m_event.file.Busy());
        opened = EnsureOpen(m_event);
    }
    if (!opened) {
        ReportAccessFailure(LogKind::Event);
        return 1;
    }
    return 0;
}

void LogStore::Close() {
    for (LogFile* file : {&m_event, &m_error}) {
        BusyGuard guard(file->file.Busy());
        file->file.Close();
    }
}

// Appends one line and its row, then closes the file. The row is added only when the line
// reached the file, so list and file stay in step.
bool LogStore::AppendLine(LogFile& file, const std::string& line, ListRow row) {
    BusyGuard guard(file.file.Busy());
    if (!EnsureOpen(file)) {
        return false;
    }
    std::FILE* handle = file.file.Handle();
    std::fseek(handle, 0, SEEK_END);
    const long end = std::ftell(handle);
    // A last line without its end would join this one, and every later row would stand
    // one line off its line.
    bool written = EndLastLine(handle) && WriteTextLine(handle, line);
    written = file.file.Close() && written;
    if (!written) {
        // Half a line (a full disk) would read back as a line of its own.
        std::error_code ec;
        if (end >= 0) {
            std::filesystem::resize_file(file.file.Path(), static_cast<std::uintmax_t>(end), ec);
        }
        return false;
    }
    AppendRow(file, std::move(row));
    return true;
}

void LogStore::WriteErrorLog(std::string_view tag, std::string_view messageCp932) {
    std::string tagText = FieldText(CutCp932(tag, ERROR_TAG_MAX), false);
    std::string date = FormatDateTime(CurrentClock().LocalNow());
    std::string message = FieldText(CutCp932(messageCp932, ERROR_MESSAGE_MAX), true);
    std::string line = tagText + "," + date + "," + message;
    if (!AppendLine(m_error, line, ListRow{{tagText, date, message}, false, -1})) {
        ReportAccessFailure(LogKind::Error);
    }
}

void LogStore::WriteEventLog(const NodeRecord& node, std::string_view expandedMessage, int kind) {
    std::string date = FormatDateTime(CurrentClock().LocalNow());
    std::string ip = FormatIp(node.ip);
    std::string host = FieldText(CutCp932(node.host, NODE_NAME_MAX), false);
    std::string prefix = std::to_string(kind) + "," + date + "," + ip + "," + host + ",";
    // The whole line with its LF fits in EVENT_LOG_LINE_MAX bytes.
    std::string message =
        FieldText(CutCp932(expandedMessage, EVENT_LOG_LINE_MAX - 1 - prefix.size()), true);
    ListRow row{{"", date, ip, host, message}, false, ImageOfKind(kind)};
    if (!AppendLine(m_event, prefix + message, std::move(row))) {
        ReportAccessFailure(LogKind::Event);
    }
}

void LogStore::ReadEventLog(int filterMode, std::string_view filterText, Progress* progress,
                            int progressBase) {
    Read(m_event, filterMode, filterText, progress, progressBase);
}

void LogStore::ReadErrorLog(Progress* progress, int progressBase) {
    Read(m_error, FILTER_ALL, {}, progress, progressBase);
}

void LogStore::Read(LogFile& file, int filterMode, std::string_view filterText, Progress* progress,
                    int progressBase) {
    const bool totals = file.kind == LogKind::Event && filterMode == FILTER_ALL;
    {
        BusyGuard guard(file.file.Busy());
        if (EnsureOpen(file)) {
            file.rows = 0;
            file.bytes = 0;
            if (totals) {
                m_totalRows = 0;
                m_totalBytes = 0;
            }
            // The list shows the file and nothing else, so row n stays line n.
            file.list.Clear();
            std::rewind(file.file.Handle());
            std::string line;
            while (ReadWholeLine(file.file.Handle(), line)) {
                std::string_view head = LineHead(line, file.lineMax);
                ListRow row;
                if (file.kind == LogKind::Event) {
                    std::string kind, date, ip, host, message;
                    head.remove_prefix(CopyLogField(head, EVENT_KIND_FIELD, false, kind));
                    head.remove_prefix(CopyLogField(head, EVENT_DATE_FIELD, false, date));
                    head.remove_prefix(CopyLogField(head, EVENT_IP_FIELD, false, ip));
                    head.remove_prefix(CopyLogField(head, EVENT_HOST_FIELD, false, host));
                    CopyLogField(head, EVENT_MESSAGE_FIELD, true, message);
                    if (!Shown(filterMode, filterText, kind, date, ip, host)) {
                        continue;
                    }
                    row = ListRow{
                        {"", date, ip, host, message}, false, ImageOfKind(ParseIntLikeAtoi(kind))};
                } else {
                    std::string tag, date, message;
                    head.remove_prefix(CopyLogField(head, ERROR_TAG_FIELD, false, tag));
                    head.remove_prefix(CopyLogField(head, ERROR_DATE_FIELD, false, date));
                    CopyLogField(head, ERROR_MESSAGE_FIELD, true, message);
                    row = ListRow{{tag, date, message}, false, -1};
                }
                file.list.AppendRow(std::move(row));
                ++file.rows;
                file.bytes += static_cast<long long>(line.size());
                if (totals) {
                    ++m_totalRows;
                    m_totalBytes += static_cast<long long>(line.size());
                }
                if (progress != nullptr) {
                    progress->SetPosition(progressBase + static_cast<int>(file.rows));
                }
            }
            int count = file.list.RowCount();
            if (count > 0 && ScrollEnabled()) {
                file.list.ScrollTo(count - 1);
            }
            return;
        }
    }
    ReportAccessFailure(file.kind);
}

int LogStore::CountEventLog() {
    return Count(m_event);
}

int LogStore::CountErrorLog() {
    return Count(m_error);
}

int LogStore::Count(LogFile& file) {
    {
        BusyGuard guard(file.file.Busy());
        if (EnsureOpen(file)) {
            std::rewind(file.file.Handle());
            int count = 0;
            std::string line;
            while (ReadWholeLine(file.file.Handle(), line)) {
                ++count;
            }
            return count;
        }
    }
    ReportAccessFailure(file.kind);
    return 0;
}

int LogStore::DeleteEventLogRows(const std::vector<int>& selectedRows, Progress* progress) {
    return DeleteRows(m_event, selectedRows, progress);
}

int LogStore::DeleteErrorLogRows(const std::vector<int>& selectedRows, Progress* progress) {
    return DeleteRows(m_error, selectedRows, progress);
}

int LogStore::DeleteRows(LogFile& file, std::vector<int> selectedRows, Progress* progress) {
    std::sort(selectedRows.begin(), selectedRows.end());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    bool accessFailed = false;
    int result = 1;
    {
        BusyGuard guard(file.file.Busy());
        result = RewriteWithout(file, selectedRows, progress, accessFailed);
    }
    if (accessFailed) {
        ReportAccessFailure(file.kind);
    }
    return result;
}

// Writes the kept lines to the copy in tmp, which replaces the log once complete and on disk,
// so a failure at any step leaves the log whole instead of deleted.
int LogStore::RewriteWithout(LogFile& file, const std::vector<int>& selectedRows,
                             Progress* progress, bool& accessFailed) {
    const std::filesystem::path copyPath = CopyPath(file.kind);
    std::FILE* opened = file.file.Open(copyPath, OPEN_CREATE);
    AtomicReplace copy(file.file.Path(), copyPath, opened);
    if (opened == nullptr || !EnsureOpen(file)) {
        accessFailed = true;
        return 1;
    }
    std::FILE* log = file.file.Handle();
    std::rewind(log);
    auto next = selectedRows.begin();
    long long lineNumber = 0;
    int kept = 0;
    std::string line;
    std::string keptLine;
    while (ReadWholeLine(log, line)) {
        while (next != selectedRows.end() && *next < lineNumber) {
            ++next;
        }
        if (next != selectedRows.end() && *next == lineNumber) {
            ++next;
        } else {
            keptLine.assign(StripLineEnd(line));
            keptLine += "\r\n";
            copy.Write(keptLine);
            ++kept;
            if (progress != nullptr) {
                progress->SetPosition(progress->Position() + 1);
            }
        }
        ++lineNumber;
    }
    // A read error would otherwise pass for the end of the log and cut it short.
    if (std::ferror(log) || !copy.Sync()) {
        accessFailed = true;
        return 1;
    }
    file.file.Close();
    if (!copy.Commit().Replaced()) {
        EnsureOpen(file);
        accessFailed = true;
        return 1;
    }
    if (progress != nullptr) {
        progress->SetPosition(progress->Position() + kept);
    }
    if (!EnsureOpen(file)) {
        accessFailed = true;
        return 1;
    }
    return 0;
}

LogCounters LogStore::EventLogCounters() const {
    return {m_event.rows, m_event.bytes};
}

LogCounters LogStore::ErrorLogCounters() const {
    return {m_error.rows, m_error.bytes};
}

LogCounters LogStore::EventLogTotals() const {
    return {m_totalRows, m_totalBytes};
}

bool LogStore::IsBusy(LogKind kind) const {
    return FileOf(kind).file.IsBusy();
}

}  // namespace halvera
