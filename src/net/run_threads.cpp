#include "net/run_threads.h"

#include <array>
#include <climits>
#include <cstdint>
#include <vector>

#include "base/text_codec.h"
#include "net/node_identification.h"
#include "net/search_run_scope.h"

namespace halvera {
namespace {

constexpr const char* PREPARING_TEXT = "【ノード検索】 検索準備中 . . .";
constexpr const char* FINISHED_TEXT = "検索処理が終了しました。";

// The verdict on one address: go on with the next one, or end the run after it.
enum class Visit { Next, ProbeFailed };

bool StopRequested(const RunFlags& flags) {
    return flags.stopRequested.load(std::memory_order_relaxed) != 0;
}

std::vector<NameQueryRange> ReadSearchRanges(RangeStore& ranges) {
    std::vector<NameQueryRange> all;
    for (int n = 1;; ++n) {
        NameQueryRange range;
        if (ranges.ReadRange(n, range.start, range.end) != 0) {
            return all;
        }
        all.push_back(range);
    }
}

void WalkNetworkNames(SearchRunContext& context, const SearchRunScope& run) {
    if (run.Settings().WINS == 0 || !context.enumerateNames) {
        return;
    }
    const auto ranges = ReadSearchRanges(context.searchRanges);
    context.enumerateNames(ranges, run.Local().ownAddress, run.Local().subnetMask);
}

// Brings the stored monitor flag in line with the row's check box; returns the check box.
int SyncMonitorFlag(SearchRunContext& context, Ipv4 ip, NodeRecord& record) {
    const int checked = context.steps.IsNodeChecked(ip);
    if (record.monitor != static_cast<std::uint32_t>(checked)) {
        record.monitor = static_cast<std::uint32_t>(checked);
        context.nodes.PutNode(record);
    }
    return checked;
}

// Reads the adapter and the names, as a range search and a list refresh both begin.
bool CommonStart(SearchRunContext& context, SearchRunScope& run) {
    context.banner.SetSummaryText(Sjis(PREPARING_TEXT));
    if (run.ReadLocalAdapter() != 0) {
        return false;
    }
    WalkNetworkNames(context, run);
    return true;
}

Visit VisitRangeAddress(SearchRunContext& context, SearchRunScope& run, Ipv4 ip, int lastByte) {
    const LocalAdapterInfo& local = run.Local();
    if (IsOutsideSubnet(ip, local.ownAddress, local.subnetMask)) {
        return Visit::Next;
    }
    NodeRecord record;
    context.nodes.FindNodeByIp(ip, record);
    if (record.status != NODE_NEVER_SEEN && SyncMonitorFlag(context, ip, record) == 0) {
        return Visit::Next;
    }
    if (lastByte == 0 || lastByte == 255) {
        return Visit::Next;
    }
    const int attempts =
        record.status != NODE_NEVER_SEEN ? KnownNodeAttempts(run.Settings().RETRY) : 1;
    return run.ProbeAndUpdate(ip, attempts, record) == -1 ? Visit::ProbeFailed : Visit::Next;
}

std::array<int, 4> Octets(Ipv4 ip) {
    const std::uint32_t host = HostOrder(ip);
    return {static_cast<int>(host >> 24), static_cast<int>(host >> 16 & 0xFF),
            static_cast<int>(host >> 8 & 0xFF), static_cast<int>(host & 0xFF)};
}

// Walks one range byte by byte, each byte from its start to its end, the last innermost:
// 192.168.1.250 to 192.168.2.5 walks nothing, since 250 > 5.
RunOutcome WalkRange(SearchRunContext& context, RunFlags& flags, SearchRunScope& run, Ipv4 start,
                     Ipv4 end) {
    const auto s = Octets(start);
    const auto e = Octets(end);
    for (int a = s[0]; a <= e[0]; ++a) {
        for (int b = s[1]; b <= e[1]; ++b) {
            for (int c = s[2]; c <= e[2]; ++c) {
                for (int d = s[3]; d <= e[3]; ++d) {
                    if (StopRequested(flags)) {
                        return RunOutcome::Stopped;
                    }
                    if (VisitRangeAddress(context, run, MakeIp(a, b, c, d), d) ==
                        Visit::ProbeFailed) {
                        return RunOutcome::ProbeFailed;
                    }
                }
            }
        }
    }
    return RunOutcome::Completed;
}

RunOutcome WalkSearchRanges(SearchRunContext& context, RunFlags& flags, SearchRunScope& run) {
    if (!CommonStart(context, run)) {
        return RunOutcome::StartFailed;
    }
    for (int n = 1;; ++n) {
        Ipv4 start = 0;
        Ipv4 end = 0;
        if (context.searchRanges.ReadRange(n, start, end) != 0) {
            return RunOutcome::Completed;
        }
        const RunOutcome outcome = WalkRange(context, flags, run, start, end);
        if (outcome != RunOutcome::Completed) {
            return outcome;
        }
    }
}

// True when the probe took the record at position n, or one before it, out of the store,
// so that the next record now stands at n.
bool ProbedRecordLeft(NodeStore& nodes, std::size_t n, Ipv4 probed, std::size_t countBefore) {
    if (nodes.CountNodes() >= countBefore) {
        return false;
    }
    NodeRecord now;
    return nodes.ReadNodeAt(n, now) != 0 || now.ip != probed;
}

RunOutcome WalkNodeList(SearchRunContext& context, RunFlags& flags, SearchRunScope& run) {
    if (!CommonStart(context, run)) {
        return RunOutcome::StartFailed;
    }
    const int attempts = KnownNodeAttempts(run.Settings().RETRY);
    std::size_t n = 0;
    for (;;) {
        if (StopRequested(flags)) {
            return RunOutcome::Stopped;
        }
        NodeRecord record;
        if (context.nodes.ReadNodeAt(n, record) != 0) {
            return RunOutcome::Completed;
        }
        const Ipv4 ip = record.ip;
        if (SyncMonitorFlag(context, ip, record) == 0) {
            ++n;
            continue;
        }
        // A node that goes down with NODEDISP set, or a moved node, leaves the store during
        // its probe; the records behind it move up and the next one is then at n already.
        const std::size_t countBefore = context.nodes.CountNodes();
        if (run.ProbeAndUpdate(ip, attempts, record) == -1) {
            return RunOutcome::ProbeFailed;
        }
        if (!ProbedRecordLeft(context.nodes, n, ip, countBefore)) {
            ++n;
        }
    }
}

RunOutcome ProbeOneNode(SearchRunContext& context, SearchRunScope& run, Ipv4 ip) {
    context.banner.SetSummaryText(Sjis(PREPARING_TEXT));
    WalkNetworkNames(context, run);
    NodeRecord record;
    context.nodes.FindNodeByIp(ip, record);
    return run.ProbeAndUpdate(ip, KnownNodeAttempts(run.Settings().RETRY), record) == -1
               ? RunOutcome::ProbeFailed
               : RunOutcome::Completed;
}

void EndOfRun(SearchRunContext& context, RunFlags& flags) {
    if (flags.manualRun.load() != 0) {
        context.prompt.ShowMessage(Sjis(FINISHED_TEXT), PromptIcon::Information, PromptButtons::Ok);
        flags.manualRun = 0;
    }
    context.steps.FlushPendingMail();
    context.banner.SetSummaryText();
}

// Runs body in a run scope of its own, then the end of run. The scope (and with it the
// driver's handle) is gone before runActive clears, so the next run never meets this one.
template <class Body>
RunOutcome RunToEnd(SearchRunContext& context, RunFlags& flags, Body body) {
    RunOutcome outcome;
    {
        SearchRunScope run(context, context.settings.App());
        outcome = body(run);
        EndOfRun(context, flags);
    }
    flags.lastOutcome = outcome;
    flags.runActive = 0;
    return outcome;
}

}  // namespace

int KnownNodeAttempts(int retry) {
    return retry >= INT_MAX ? INT_MAX : retry + 1;
}

RunOutcome SearchRangesThread(SearchRunContext& context, RunFlags& flags) {
    return RunToEnd(context, flags,
                    [&](SearchRunScope& run) { return WalkSearchRanges(context, flags, run); });
}

RunOutcome RefreshListThread(SearchRunContext& context, RunFlags& flags) {
    return RunToEnd(context, flags,
                    [&](SearchRunScope& run) { return WalkNodeList(context, flags, run); });
}

RunOutcome RefreshNodeThread(SearchRunContext& context, RunFlags& flags, Ipv4 ip) {
    return RunToEnd(context, flags,
                    [&](SearchRunScope& run) { return ProbeOneNode(context, run, ip); });
}

}  // namespace halvera
