#include "store/range_store.h"

#include <arpa/inet.h>
#include <sys/stat.h>

#include <string>
#include <string_view>
#include <system_error>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "base/text_file.h"
#include "store/line_codec.h"
#include "store/record_line.h"
#include "store/store_operation.h"

namespace halvera {
namespace {

// The readers' line buffer: an encoded range is at most 31 bytes, plus its LF and a NUL.
constexpr std::size_t RANGE_LINE_LIMIT = 34;

const char* FileName(RangeList list) {
    return list == RangeList::Search ? "SearchNodeDB.na" : "ActionNodeDB.na";
}

bool ParseAddress(const std::string& text, Ipv4& ip) {
    in_addr addr{};
    if (inet_aton(text.c_str(), &addr) == 0) {
        return false;
    }
    ip = addr.s_addr;
    return true;
}

// Decodes one stored line into its range; false for a line that holds no range.
bool ParseRangeLine(std::string_view stored, Ipv4& start, Ipv4& end) {
    std::string text = DecodeLine(StripLineEnd(stored));
    std::size_t comma = text.find(',');
    return comma != std::string::npos && ParseAddress(text.substr(0, comma), start) &&
           ParseAddress(text.substr(comma + 1), end);
}

// The range of a line as the callers see it: a damaged line is the empty range.
void ReadLineRange(RecordLine kind, const std::string& line, Ipv4& start, Ipv4& end) {
    if (kind != RecordLine::Whole || !ParseRangeLine(line, start, end)) {
        start = 0;
        end = 0;
    }
}

}  // namespace

RangeStore::RangeStore(RangeList list, Prompt& prompt, ErrorLog& errorLog)
    : m_list(list),
      m_prompt(prompt),
      m_errorLog(errorLog),
      m_file(DbFolder, FileName(list), FileFamily::Record) {}

void RangeStore::ReportOpenFailure(PendingReport& report) const {
    if (m_list == RangeList::Search) {
        report.Stop(Sjis("SearchNodeDB Access Error。"));
        // The search list's failures are filed under the mail sender's tag.
        report.Log("maild", "SearchNodeDB Access Error");
    } else {
        report.Stop(Sjis("ActionNodeDB Access Error。"));
    }
}

std::FILE* RangeStore::Kept(int openMode, PendingReport& report) {
    std::FILE* file = m_file.Kept(openMode);
    if (file == nullptr) {
        ReportOpenFailure(report);
    }
    return file;
}

int RangeStore::InitSearchRanges() {
    StoreOperation operation(m_file.Busy(), m_prompt, m_errorLog);
    std::error_code ec;
    std::filesystem::create_directories(DbFolder(), ec);
    return Kept(OPEN_UPDATE, operation.Report()) != nullptr ? 0 : 1;
}

void RangeStore::CloseSearchRanges() {
    StoreOperation operation(m_file.Busy(), m_prompt, m_errorLog);
    m_file.Close();
}

int RangeStore::AppendRange(Ipv4 start, Ipv4 end) {
    StoreOperation operation(m_file.Busy(), m_prompt, m_errorLog);
    std::FILE* file = Kept(OPEN_UPDATE, operation.Report());
    if (file == nullptr) {
        return 1;
    }
    std::string text = FormatIp(start) + "," + FormatIp(end);
    // A last line without its end would join the range.
    bool written = EndLastLine(file) && WriteTextLine(file, EncodeLine(text, text.size())) &&
                   std::fflush(file) == 0;
    return written ? 0 : 1;
}

int RangeStore::ReadRange(int n, Ipv4& start, Ipv4& end) {
    if (n < 1) {
        return 1;
    }
    StoreOperation operation(m_file.Busy(), m_prompt, m_errorLog);
    std::FILE* file = Kept(OPEN_UPDATE, operation.Report());
    if (file == nullptr) {
        return 1;
    }
    // The runs read the ranges one after the other: the next one starts where the last
    // ended, as long as the file has not changed since, so reading a list is linear.
    struct stat info {};
    const bool known = ::fstat(fileno(file), &info) == 0;
    const bool follows = known && m_next.index == n - 1 && m_next.size == info.st_size &&
                         m_next.modified.tv_sec == info.st_mtim.tv_sec &&
                         m_next.modified.tv_nsec == info.st_mtim.tv_nsec &&
                         std::fseek(file, m_next.offset, SEEK_SET) == 0;
    if (!follows) {
        // Bytes buffered before the file changed must not be read again as its content.
        std::fflush(file);
    }
    std::string line;
    const RecordLine read = follows ? ReadRecordLine(file, RANGE_LINE_LIMIT, line)
                                    : ReadRecordLineAt(file, RANGE_LINE_LIMIT, n - 1, line);
    m_next = {};
    if (read == RecordLine::End) {
        return 1;
    }
    if (known) {
        m_next = {n, std::ftell(file), info.st_size, info.st_mtim};
    }
    ReadLineRange(read, line, start, end);
    return 0;
}

int RangeStore::ClearRanges() {
    StoreOperation operation(m_file.Busy(), m_prompt, m_errorLog);
    m_file.Close();
    std::error_code ec;
    std::filesystem::remove(m_file.Path(), ec);
    return Kept(OPEN_CREATE, operation.Report()) != nullptr ? 0 : 1;
}

std::vector<std::pair<Ipv4, Ipv4>> RangeStore::ListRanges() {
    StoreOperation operation(m_file.Busy(), m_prompt, m_errorLog);
    std::FILE* file = Kept(OPEN_UPDATE, operation.Report());
    std::vector<std::pair<Ipv4, Ipv4>> ranges;
    if (file == nullptr) {
        return ranges;
    }
    std::rewind(file);
    std::string line;
    for (RecordLine kind;
         (kind = ReadRecordLine(file, RANGE_LINE_LIMIT, line)) != RecordLine::End;) {
        Ipv4 start = 0;
        Ipv4 end = 0;
        ReadLineRange(kind, line, start, end);
        ranges.emplace_back(start, end);
    }
    return ranges;
}

std::FILE* RangeStore::OpenRangeFile(const std::filesystem::path& path, int openMode) {
    std::FILE* file = m_file.Open(path, openMode);
    if (file == nullptr && m_file.Opens(openMode)) {
        PendingReport report;
        ReportOpenFailure(report);
        report.Tell(m_prompt, m_errorLog);
    }
    return file;
}

}  // namespace halvera
