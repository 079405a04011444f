#include "store/event_settings_store.h"

#include <charconv>
#include <vector>

#include "base/atomic_replace.h"
#include "base/busy_flag.h"
#include "base/ini_file.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "base/text_file.h"
#include "store/event_kind.h"
#include "store/record_line.h"
#include "store/store_operation.h"

namespace halvera {
namespace {

// The readers' line buffer: a record, its LF and a NUL.
constexpr std::size_t EVENT_LINE_LIMIT = EVENT_LINE_LENGTH + 2;
constexpr long EVENT_RECORD_BYTES = EVENT_LINE_LENGTH + 2;  // with CR LF
constexpr int EVENT_FIELD_COUNT = 12;

std::string StoredText(std::string_view text, std::size_t width) {
    std::string stored(CutCp932(text, width));
    BlankLineBreaks(stored);
    return stored;
}

std::string ReadText(std::string_view field, std::size_t width) {
    return std::string(CutCp932(field, width));
}

// A kind field is a whole number and nothing else: "abc" or "2x" names no kind.
bool ParseKind(std::string_view field, int& kind) {
    const char* last = field.data() + field.size();
    auto [end, error] = std::from_chars(field.data(), last, kind);
    return error == std::errc() && end == last;
}

// The kind of a line: its first field, followed by ",".
bool LineKind(std::string_view line, int& kind) {
    std::size_t comma = line.find(',');
    return comma != std::string_view::npos && ParseKind(line.substr(0, comma), kind);
}

// Finds the first whole line of the kind; its bytes run from lineStart to lineEnd. Lines too
// long to be a record that were passed on the way are counted in tooLong.
bool FindKindLine(std::FILE* file, int kind, std::string& line, long& lineStart, long& lineEnd,
                  int* tooLong = nullptr) {
    std::rewind(file);
    for (;;) {
        lineStart = std::ftell(file);
        RecordLine read = ReadRecordLine(file, EVENT_LINE_LIMIT, line);
        if (read == RecordLine::End) {
            return false;
        }
        if (read == RecordLine::TooLong && tooLong != nullptr) {
            ++*tooLong;
        }
        int lineKind = 0;
        if (read == RecordLine::Whole && LineKind(line, lineKind) && lineKind == kind) {
            lineEnd = std::ftell(file);
            return true;
        }
    }
}

bool WriteAll(std::FILE* file, std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// Appends a record, first ending a last line that lost its line end, so the new record
// never joins it.
bool AppendRecord(std::FILE* file, const std::string& record) {
    return EndLastLine(file) && WriteAll(file, record);
}

// Replaces a line that is not of record length (edited by hand, or cut short) by replacing the
// file as a whole, since writing a record over it in place would run into the line after it.
bool SpliceRecord(std::FILE* file, const std::filesystem::path& path, long lineStart, long lineEnd,
                  const std::string& record) {
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return false;
    }
    std::vector<char> bytes(static_cast<std::size_t>(std::ftell(file)));
    std::rewind(file);
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        return false;
    }
    std::string spliced(bytes.begin(), bytes.begin() + lineStart);
    spliced += record;
    spliced.append(bytes.begin() + lineEnd, bytes.end());
    return ReplaceFileContent(path, spliced).Replaced();
}

void ReportOpenFailure(PendingReport& report) {
    report.Stop(Sjis("EventDB Access Error。"));
    report.Log("filed", "EventDB Access Error");
}

}  // namespace

std::string BuildEventLine(int kind, const EventSettings& record) {
    std::string line;
    auto number = [&line](long value) { line += std::to_string(value) + ","; };
    auto text = [&line](std::string_view value) {
        line += StoredText(value, EVENT_TEXT_MAX) + ",";
    };
    number(kind);
    number(record.enabled);
    number(0);
    number(record.screen);
    number(record.log);
    text(record.popupText);
    text(record.filePath);
    text(record.mailText);
    text("");
    number(record.beep);
    text(record.soundFile);
    text(record.message);
    line.resize(EVENT_LINE_LENGTH, ' ');
    return line;
}

EventSettings FirstStartEventSettings(int kind) {
    EventSettings record;
    if (kind < 0 || kind >= EVENT_CONFIGURABLE_COUNT) {
        return record;
    }
    const std::string node = "%IP %MAC %VEN";
    record.enabled = 1;
    record.screen = 1;
    record.log = 1;
    record.message = node;
    if (kind == EVENT_SNIFFING_NODE) {
        // The popup has no kind column of its own to say what it reports.
        record.popupText = EventKindText(kind) + " " + node;
    }
    return record;
}

bool ParseEventLine(std::string_view line, EventSettings& record) {
    record = EventSettings{};
    line = StripLineEnd(line);
    std::string_view fields[EVENT_FIELD_COUNT];
    for (auto& field : fields) {
        std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) {
            return false;
        }
        field = line.substr(0, comma);
        line.remove_prefix(comma + 1);
    }
    int kind = 0;
    if (!ParseKind(fields[0], kind)) {
        return false;
    }
    record.enabled = ParseIntLikeAtoi(fields[1]);
    record.reserved = ParseIntLikeAtoi(fields[2]);
    record.screen = ParseIntLikeAtoi(fields[3]);
    record.log = ParseIntLikeAtoi(fields[4]);
    record.popupText = ReadText(fields[5], EVENT_TEXT_MAX);
    record.filePath = ReadText(fields[6], EVENT_TEXT_MAX);
    record.mailText = ReadText(fields[7], EVENT_TEXT_MAX);
    record.reservedText = ReadText(fields[8], EVENT_RESERVED_TEXT_MAX);
    record.beep = ParseIntLikeAtoi(fields[9]);
    record.soundFile = ReadText(fields[10], EVENT_TEXT_MAX);
    record.message = ReadText(fields[11], EVENT_TEXT_MAX);
    return true;
}

EventSettingsStore::EventSettingsStore(Prompt& prompt, ErrorLog& errorLog)
    : m_prompt(prompt), m_errorLog(errorLog), m_file(DbFolder, "EventDB.na", FileFamily::Record) {}

std::FILE* EventSettingsStore::Kept(PendingReport& report) {
    std::FILE* file = m_file.Kept(OPEN_UPDATE);
    if (file == nullptr) {
        ReportOpenFailure(report);
    }
    return file;
}

int EventSettingsStore::ReadEventSettings(int kind, EventSettings& record) {
    record = EventSettings{};
    StoreOperation operation(m_file.Busy(), m_prompt, m_errorLog);
    std::FILE* file = Kept(operation.Report());
    std::string line;
    long lineStart = 0;
    long lineEnd = 0;
    int tooLong = 0;
    const bool found =
        file != nullptr && FindKindLine(file, kind, line, lineStart, lineEnd, &tooLong);
    if (tooLong > 0 && !m_damageReported.exchange(true)) {
        // A hand edit that made a line too long, or line ends of CR alone that make the
        // whole file one line, would switch events off without a word.
        operation.Report().Log("filed", "EventDB.na: a line longer than " +
                                            std::to_string(EVENT_LINE_LENGTH) +
                                            " bytes (or ended by CR alone) is not read; the "
                                            "events it holds stay off");
    }
    if (!found) {
        return 1;
    }
    return ParseEventLine(line, record) ? 0 : 1;
}

int EventSettingsStore::PutEventSettings(int kind, const EventSettings& record) {
    StoreOperation operation(m_file.Busy(), m_prompt, m_errorLog);
    std::FILE* file = Kept(operation.Report());
    if (file == nullptr) {
        return -1;
    }
    std::string line;
    long lineStart = 0;
    long lineEnd = 0;
    bool found = FindKindLine(file, kind, line, lineStart, lineEnd);
    std::string stored = BuildEventLine(kind, record) + "\r\n";
    bool written;
    if (!found) {
        written = AppendRecord(file, stored) && std::fflush(file) == 0;
    } else if (lineEnd - lineStart == EVENT_RECORD_BYTES) {
        written = std::fseek(file, lineStart, SEEK_SET) == 0 && WriteAll(file, stored) &&
                  std::fflush(file) == 0;
    } else {
        written = SpliceRecord(file, m_file.Path(), lineStart, lineEnd, stored);
        // The kept handle still reads the file that the splice replaced.
        m_file.Close();
    }
    if (!written) {
        return -1;
    }
    return found ? 1 : 0;
}

bool EventSettingsStore::WriteFirstStartFile() {
    BusyGuard guard(m_file.Busy());
    const std::filesystem::path path = m_file.Path();
    std::error_code error;
    if (std::filesystem::exists(path, error) || error) {
        return false;
    }
    std::string records;
    for (int kind = 0; kind < EVENT_CONFIGURABLE_COUNT; ++kind) {
        records += BuildEventLine(kind, FirstStartEventSettings(kind)) + "\r\n";
    }
    return ReplaceFileContent(path, records).Replaced();
}

std::FILE* EventSettingsStore::OpenEventFile(const std::filesystem::path& path, int openMode) {
    std::FILE* file = m_file.Open(path, openMode);
    if (file == nullptr && m_file.Opens(openMode)) {
        PendingReport report;
        ReportOpenFailure(report);
        report.Tell(m_prompt, m_errorLog);
    }
    return file;
}

}  // namespace halvera
