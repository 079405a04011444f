// Feeds arbitrary bytes as the event settings file (EventDB.na): the parser and the store may
// not read out of bounds; a record read from a line and written back reads the same; and a
// kind written through the store reads back while every other kind reads as before.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/ini_file.h"
#include "base/text_file.h"
#include "fuzz_support.h"
#include "store/event_kind.h"
#include "store/event_settings_store.h"

namespace {

using namespace halvera;
using fuzz::Check;

constexpr int FIELD_COUNT = 12;

// What a record keeps once written: the reserved fields as the writer puts them, line
// breaks in texts as blanks.
EventSettings AsWritten(EventSettings record) {
    record.reserved = 0;
    record.reservedText.clear();
    for (std::string* text : {&record.message, &record.popupText, &record.filePath,
                              &record.mailText, &record.soundFile}) {
        for (char& c : *text) {
            if (c == '\r' || c == '\n' || c == '\0') {
                c = ' ';
            }
        }
    }
    return record;
}

void CheckLine(std::string_view line) {
    EventSettings record;
    if (!ParseEventLine(line, record)) {
        Check(record == EventSettings{});
        return;
    }
    const int kind = ParseIntLikeAtoi(line);
    const std::string built = BuildEventLine(kind, record);
    Check(built.size() == EVENT_LINE_LENGTH &&
          built.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    // Numbers of a hand-edited line can be too long for the record's width; then the
    // last fields are cut, and only a line that kept every field reads the same.
    if (std::count(built.begin(), built.end(), ',') == FIELD_COUNT) {
        EventSettings again;
        Check(ParseEventLine(built, again) && again == AsWritten(record));
    }
}

struct Read {
    int result = 0;
    EventSettings record;
    bool operator==(const Read&) const = default;
};

Read ReadKind(EventSettingsStore& store, int kind) {
    Read read;
    read.result = store.ReadEventSettings(kind, read.record);
    return read;
}

EventSettings Sample() {
    EventSettings record;
    record.enabled = 1;
    record.screen = 1;
    record.log = 1;
    record.message = "yes \x83\x5C";  // the escape letter and a trail byte of 0x5C
    record.popupText = "popup";
    record.mailText = "mail";
    record.soundFile = "C:\\sound.wav";
    return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::FuzzFolder folder;
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    for (std::string_view rest = content; !rest.empty();) {
        CheckLine(TakeLine(rest));
    }

    folder.Enter();
    fuzz::WriteBytes(DbFolder() / "EventDB.na", content);
    fuzz::NoPrompt prompt;
    fuzz::KeptErrorLog errorLog;
    EventSettingsStore store(prompt, errorLog);
    Read before[EVENT_KIND_COUNT];
    for (int kind = 0; kind < EVENT_KIND_COUNT; ++kind) {
        before[kind] = ReadKind(store, kind);
        Check(before[kind].result == 0 || before[kind].record == EventSettings{});
    }
    const int written = size > 0 ? data[0] % EVENT_KIND_COUNT : 0;
    Check(store.PutEventSettings(written, Sample()) >= 0);
    // A last line without its end is read up to the reader's whole buffer; once a record
    // follows it, a line longer than a record is too long to read.
    const std::size_t lastLine = content.rfind('\n');
    const std::string_view tail =
        content.substr(lastLine == std::string_view::npos ? 0 : lastLine + 1);
    const bool othersKept = StripLineEnd(tail).size() <= EVENT_LINE_LENGTH;
    for (int kind = 0; kind < EVENT_KIND_COUNT; ++kind) {
        const Read read = ReadKind(store, kind);
        if (kind == written) {
            Check(read == Read{0, Sample()});
        } else if (othersKept) {
            Check(read == before[kind]);
        }
    }
    return 0;
}
