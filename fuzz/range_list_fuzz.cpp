// Feeds arbitrary bytes as a range list file (SearchNodeDB.na): the store may not read out of
// bounds; the list the dialogs show, the ranges read one after the other and the ranges
// read in any order agree; and a range appended afterwards reads back after the ranges that
// were there, which keep their places.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/ip_address.h"
#include "fuzz_support.h"
#include "store/range_store.h"

namespace {

using namespace halvera;
using fuzz::Check;

using Range = std::vector<std::string>;

std::vector<Range> Listed(RangeStore& store) {
    std::vector<Range> ranges;
    for (const auto& [start, end] : store.ListRanges()) {
        ranges.push_back({FormatIp(start), FormatIp(end)});
    }
    return ranges;
}

Range Read(RangeStore& store, int n) {
    Ipv4 start = 0;
    Ipv4 end = 0;
    Check(store.ReadRange(n, start, end) == 0);
    return {FormatIp(start), FormatIp(end)};
}

void CheckReads(RangeStore& store, const std::vector<Range>& listed) {
    const int count = static_cast<int>(listed.size());
    for (int n = 1; n <= count; ++n) {
        Check(Read(store, n) == listed[n - 1]);
    }
    for (int n = count; n >= 1; --n) {
        Check(Read(store, n) == listed[n - 1]);
    }
    Ipv4 start = 0;
    Ipv4 end = 0;
    Check(store.ReadRange(count + 1, start, end) == 1 && store.ReadRange(0, start, end) == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::FuzzFolder folder;
    folder.Enter();
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    fuzz::WriteBytes(DbFolder() / "SearchNodeDB.na", content);

    fuzz::NoPrompt prompt;
    fuzz::KeptErrorLog errorLog;
    RangeStore store(RangeList::Search, prompt, errorLog);
    Check(store.InitSearchRanges() == 0);
    const std::vector<Range> listed = Listed(store);
    // Every range is one line of the file.
    Check(listed.size() <=
          static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n')) + 1);
    CheckReads(store, listed);

    const Ipv4 start = MakeIp(198, 18, 7, 1);
    const Ipv4 end = MakeIp(198, 18, 7, 254);
    Check(store.AppendRange(start, end) == 0);
    const std::vector<Range> appended = Listed(store);
    Check(appended.size() == listed.size() + 1 &&
          appended.back() == Range{FormatIp(start), FormatIp(end)});
    // A last line without its end reads up to the reader's whole line; ended, a line that
    // long is too long and reads as the empty range. Every other range stays as it was.
    const bool lastEnded = content.empty() || content.back() == '\n';
    const std::size_t kept = listed.size() - (lastEnded || listed.empty() ? 0 : 1);
    Check(std::equal(listed.begin(), listed.begin() + static_cast<std::ptrdiff_t>(kept),
                     appended.begin()));
    CheckReads(store, appended);
    store.CloseSearchRanges();
    return 0;
}
