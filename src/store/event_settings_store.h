#pragma once

#include <atomic>

#include <filesystem>
#include <string>
#include <string_view>

#include "base/kept_file.h"
#include "lists/error_log.h"
#include "lists/prompt.h"
#include "store/event_settings.h"
#include "store/pending_report.h"

namespace halvera {

// A record line of db/EventDB.na holds this many bytes before its CR LF, whatever its texts.
inline constexpr std::size_t EVENT_LINE_LENGTH = 791;

// The record line of a kind, EVENT_LINE_LENGTH bytes without line end: the kind and the
// fields enabled, 0, screen, log, popupText, filePath, mailText, "", beep, soundFile, message,
// each followed by ",", padded with blanks. Texts are cut to their widths without splitting a
// character; CR, LF and NUL in a text become blanks so that the record stays one line.
std::string BuildEventLine(int kind, const EventSettings& record);

// Fills the record from a line of the file (line end allowed). False, with the record
// cleared, when the line is not a whole record: a kind that is no number or fewer than its
// twelve fields. Texts longer than their widths are cut.
bool ParseEventLine(std::string_view line, EventSettings& record);

// What a first start stores for the kind, so that a new user's first search shows what it
// finds: kinds 0 to 3 enabled, in the event list and the event log with the message
// "%IP %MAC %VEN", a sniffing node also as a popup; kinds 4 and 5 all zero (off).
EventSettings FirstStartEventSettings(int kind);

// The event settings, one fixed-length line per event kind in db/EventDB.na, replaced in
// place. The event actions read a kind on the run threads while the event settings dialog
// writes one; the busy flag serialises them.
class EventSettingsStore {
  public:
    EventSettingsStore(Prompt& prompt, ErrorLog& errorLog);

    // 0 with the record filled from the kind's line; 1 with the record cleared when the file
    // has no whole line of that kind or cannot be opened (the kind then counts as disabled).
    int ReadEventSettings(int kind, EventSettings& record);

    // Writes the kind's line: 1 when an existing line was replaced, 0 when a line was
    // appended, -1 when the file could not be opened or written.
    int PutEventSettings(int kind, const EventSettings& record);

    // A first start: when db/EventDB.na does not exist yet, writes it with the lines of
    // FirstStartEventSettings for kinds 0 to 3. An existing file, whatever it holds, is
    // never touched. True when the file was written.
    bool WriteFirstStartFile();

    // Opens a new handle on `path` (db/EventDB.na when empty) with an open mode of the data
    // files; the caller owns it. A failure is reported to the user and the error log.
    std::FILE* OpenEventFile(const std::filesystem::path& path, int openMode);

    // True while an operation holds the file (shutdown waits for this).
    bool IsBusy() const { return m_file.IsBusy(); }

  private:
    // The kept handle, opened first when closed; a failure goes into the report.
    std::FILE* Kept(PendingReport& report);

    Prompt& m_prompt;
    ErrorLog& m_errorLog;
    KeptFile m_file;
    // A line too long to read has been logged; once for the life of the store.
    std::atomic<bool> m_damageReported{false};
};

}  // namespace halvera
