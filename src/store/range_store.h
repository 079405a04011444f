#pragma once

#include <sys/types.h>

#include <ctime>
#include <filesystem>
#include <utility>
#include <vector>

#include "base/ip_address.h"
#include "base/kept_file.h"
#include "lists/error_log.h"
#include "lists/prompt.h"
#include "store/pending_report.h"

namespace halvera {

// The two address range lists in db/: the search ranges that a search for new nodes walks,
// and the action node ranges that limit event actions when ALLEVENT is 0.
enum class RangeList { Search, Action };

// One range list file: a line per range, "start,end" in dotted form, passed through the line
// encoding and ended with CR LF. The store keeps the ranges as given; the dialogs check that
// the start is not above the end. Every operation holds the file's busy flag, so the run
// threads may read while a dialog rewrites the list.
class RangeStore {
  public:
    RangeStore(RangeList list, Prompt& prompt, ErrorLog& errorLog);

    // At start-up: creates db/ and opens the file for update. 0 when open, 1 when not.
    int InitSearchRanges();
    void CloseSearchRanges();

    // Appends a range. 0 when written, 1 when the file could not be opened or written.
    int AppendRange(Ipv4 start, Ipv4 end);

    // Range n, counting from 1. 0 with start and end filled; 1 when the list has fewer than
    // n ranges (or n is below 1, or the file cannot be opened), leaving them as they were.
    // A damaged line (no separator, no addresses, too long) reads as the empty range
    // 0.0.0.0 to 0.0.0.0, so the ranges after it keep their numbers.
    int ReadRange(int n, Ipv4& start, Ipv4& end);

    // Empties the list by recreating the file. 0 when done, 1 when it could not be recreated.
    int ClearRanges();

    // Every range as start and end, in file order: range i is what ReadRange(i + 1) gives.
    // Nothing when the file cannot be read (reported).
    std::vector<std::pair<Ipv4, Ipv4>> ListRanges();

    // Opens a new handle on `path` (the list's own file when empty) with an open mode of the
    // data files; the caller owns it. A failure is reported to the user.
    std::FILE* OpenRangeFile(const std::filesystem::path& path, int openMode);

    // True while an operation holds the file (shutdown waits for this).
    bool IsBusy() const { return m_file.IsBusy(); }

  private:
    void ReportOpenFailure(PendingReport& report) const;
    // The kept handle, opened first when closed; a failure goes into the report.
    std::FILE* Kept(int openMode, PendingReport& report);

    RangeList m_list;
    Prompt& m_prompt;
    ErrorLog& m_errorLog;
    KeptFile m_file;
    // Where the line after the last one read begins, while the file is as it was then.
    struct NextLine {
        int index = -1;  // from 0
        long offset = 0;
        off_t size = 0;
        timespec modified{};
    };
    NextLine m_next;
};

}  // namespace halvera
