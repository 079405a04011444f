#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "base/kept_file.h"
#include "lists/error_log.h"
#include "lists/prompt.h"
#include "store/node_record.h"
#include "store/pending_report.h"

namespace halvera {

// The mail lines of one search run, tmp/mail.na: one expanded mail message per event, in
// event order, each ended with CR LF. The run sends them as one mail when it ends and then
// deletes the queue.
class MailQueue {
  public:
    // Expands the placeholders of a message for a node into at most outSize - 1 bytes.
    using Expander = std::function<std::string(const NodeRecord& node, std::string_view text,
                                               std::size_t outSize)>;

    // The expansion buffer of a queued line; a line holds at most MAIL_LINE_SIZE - 1 bytes.
    static constexpr std::size_t MAIL_LINE_SIZE = 1024;

    MailQueue(Prompt& prompt, ErrorLog& errorLog, Expander expand);

    // Appends the mail text expanded for the node as one line; the event kind is not used.
    // CR, LF and NUL inside the expansion become blanks, so one event stays one line. Result:
    // the bytes written to the file (line end included), 0 when the file could not be opened
    // or written.
    int AppendMailLine(int kind, const NodeRecord& node, std::string_view mailText);

    // Line n, counting from 0, with its LF. 0 with the line; 1 when the queue has fewer than
    // n + 1 lines or cannot be opened. A line too long for the reader reads as an empty line.
    int ReadMailLine(int n, std::string& line);

    // Closes and deletes the queue file; the next append creates it again.
    void DeleteMailQueue();

    // Opens a new handle on `path` (tmp/mail.na when empty) with an open mode of the data
    // files; the caller owns it. A failure is reported to the user and the error log.
    std::FILE* OpenMailQueue(const std::filesystem::path& path, int openMode);

    // True while an operation holds the file (shutdown waits for this).
    bool IsBusy() const { return m_file.IsBusy(); }

  private:
    // The kept handle, opened first when closed; a failure goes into the report.
    std::FILE* Kept(PendingReport& report);

    Prompt& m_prompt;
    ErrorLog& m_errorLog;
    Expander m_expand;
    KeptFile m_file;
};

}  // namespace halvera
