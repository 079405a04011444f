// Feeds arbitrary bytes as the event log and the error log: the readers may not read out of
// bounds; row n of a list stays line n of its file through a count, a deletion and an
// append; and a line written reads back as the row that was shown for it.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ip_address.h"
#include "fuzz_support.h"
#include "lists/list_tables.h"
#include "store/log_store.h"

namespace {

using namespace halvera;
using fuzz::Check;

void CheckField(std::string_view line, std::size_t capacity, bool lastField) {
    std::string field;
    const std::size_t taken = CopyLogField(line, capacity, lastField, field);
    Check(taken <= line.size() && field.size() < capacity &&
          line.substr(0, field.size()) == field &&
          field.find_first_of(lastField ? "\r\n" : "\r\n,") == std::string::npos);
}

struct Log {
    ListTable& list;
    std::function<void()> read;
    std::function<int()> count;
    std::function<int(const std::vector<int>&)> remove;
    std::function<void()> write;
};

void CheckLog(const Log& log) {
    log.read();
    const std::vector<ListRow> rows = log.list.Snapshot();
    Check(static_cast<int>(rows.size()) == log.count());
    for (const ListRow& row : rows) {
        for (const std::string& cell : row.cells) {
            Check(cell.find_first_of("\r\n") == std::string::npos);
        }
    }
    log.write();
    const ListRow shown = log.list.Snapshot().back();
    log.read();
    std::vector<ListRow> after = log.list.Snapshot();
    Check(after.size() == rows.size() + 1 && std::equal(rows.begin(), rows.end(), after.begin()));
    Check(after.back() == shown);

    // The first and the last line go; every other line keeps its row.
    Check(log.remove({0, static_cast<int>(after.size()) - 1}) == 0);
    log.read();
    const std::vector<ListRow> kept = log.list.Snapshot();
    Check(kept.size() == (after.size() > 1 ? after.size() - 2 : 0));
    Check(std::equal(kept.begin(), kept.end(), after.begin() + 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::FuzzFolder folder;
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    for (std::size_t capacity : {std::size_t{1}, EVENT_KIND_FIELD, EVENT_MESSAGE_FIELD}) {
        CheckField(content, capacity, false);
        CheckField(content, capacity, true);
    }

    folder.Enter();
    fuzz::WriteBytes(LogFolder() / "log.log", content);
    fuzz::WriteBytes(LogFolder() / "alog.log", content);
    ListTables lists;
    fuzz::NoPrompt prompt;
    SettingsStore settings;
    LogStore store(lists.eventLog, lists.errorLog, prompt, settings);
    Check(store.Init() == 0);

    // The texts written are the input too, short enough for the event log's reader to keep
    // them whole.
    NodeRecord node;
    node.ip = MakeIp(198, 18, 7, 20);
    node.host = std::string(content.substr(0, NODE_NAME_MAX));
    const std::string message(content.substr(0, 200));
    CheckLog({lists.eventLog, [&] { store.ReadEventLog(FILTER_ALL, {}, nullptr, 0); },
              [&] { return store.CountEventLog(); },
              [&](const std::vector<int>& rows) { return store.DeleteEventLogRows(rows, nullptr); },
              [&] { store.WriteEventLog(node, message, 1); }});
    CheckLog({lists.errorLog, [&] { store.ReadErrorLog(nullptr, 0); },
              [&] { return store.CountErrorLog(); },
              [&](const std::vector<int>& rows) { return store.DeleteErrorLogRows(rows, nullptr); },
              [&] { store.WriteErrorLog(content.substr(0, 40), content); }});
    store.Close();
    return 0;
}
