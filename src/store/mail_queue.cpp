#include "store/mail_queue.h"

#include <system_error>
#include <utility>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "base/text_file.h"
#include "store/record_line.h"
#include "store/store_operation.h"

namespace halvera {
namespace {

// The reader's line buffer: a whole line, its LF and a NUL.
constexpr std::size_t MAIL_LINE_LIMIT = MailQueue::MAIL_LINE_SIZE + 1;

void ReportOpenFailure(PendingReport& report) {
    report.Stop(Sjis("Mail File Access Error。"));
    report.Log("filed", "Mail File Access Error");
}

}  // namespace

MailQueue::MailQueue(Prompt& prompt, ErrorLog& errorLog, Expander expand)
    : m_prompt(prompt),
      m_errorLog(errorLog),
      m_expand(std::move(expand)),
      m_file(TmpFolder, "mail.na", FileFamily::Appending) {}

std::FILE* MailQueue::Kept(PendingReport& report) {
    std::FILE* file = m_file.Kept(OPEN_APPEND);
    if (file == nullptr) {
        ReportOpenFailure(report);
    }
    return file;
}

int MailQueue::AppendMailLine(int /*kind*/, const NodeRecord& node, std::string_view mailText) {
    StoreOperation operation(m_file.Busy(), m_prompt, m_errorLog);
    std::FILE* file = Kept(operation.Report());
    if (file == nullptr) {
        return 0;
    }
    std::string expanded = m_expand(node, mailText, MAIL_LINE_SIZE);
    std::string line(CutCp932(expanded, MAIL_LINE_SIZE - 1));
    BlankLineBreaks(line);
    // A last line without its end (a queue cut short) would join this one.
    bool written = EndLastLine(file) && WriteTextLine(file, line) && std::fflush(file) == 0;
    return written ? static_cast<int>(line.size() + 2) : 0;
}

int MailQueue::ReadMailLine(int n, std::string& line) {
    if (n < 0) {
        return 1;
    }
    StoreOperation operation(m_file.Busy(), m_prompt, m_errorLog);
    std::FILE* file = Kept(operation.Report());
    if (file == nullptr) {
        return 1;
    }
    std::string read;
    RecordLine got = ReadRecordLineAt(file, MAIL_LINE_LIMIT, n, read);
    if (got == RecordLine::End) {
        return 1;
    }
    if (got == RecordLine::TooLong) {
        read.clear();
    }
    line.assign(StripLineEnd(read));
    line.push_back('\n');
    return 0;
}

void MailQueue::DeleteMailQueue() {
    StoreOperation operation(m_file.Busy(), m_prompt, m_errorLog);
    m_file.Close();
    std::error_code ec;
    std::filesystem::remove(m_file.Path(), ec);
}

std::FILE* MailQueue::OpenMailQueue(const std::filesystem::path& path, int openMode) {
    std::FILE* file = m_file.Open(path, openMode);
    if (file == nullptr && m_file.Opens(openMode)) {
        PendingReport report;
        ReportOpenFailure(report);
        report.Tell(m_prompt, m_errorLog);
    }
    return file;
}

}  // namespace halvera
