#include "net/run_threads.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "base/ip_address.h"
#include "base/text_codec.h"
#include "net/netmon_log.h"
#include "net/node_identification.h"
#include "net/range_walk.h"
#include "net/search_run_scope.h"

namespace halvera {
namespace {

constexpr const char* PREPARING_TEXT = "【ノード検索】 検索準備中 . . .";
constexpr const char* FINISHED_TEXT = "検索処理が終了しました。";

// Addresses probed together at most: bounds what a /16 sweep keeps in memory.
constexpr std::size_t SWEEP_BLOCK = 1024;
// Requests of one kind a block sends at most, counting every attempt: all go out in one
// capture window, and every reply waits in the capture buffer (512,000 bytes, some 80 a
// reply with its headers) until the window is read.
constexpr std::size_t SWEEP_BLOCK_REQUESTS = 4096;

// Whether a block of `requests` requests a kind has room for an address with `attempts`.
bool RoomInBlock(std::size_t requests, int attempts) {
    return requests + static_cast<std::size_t>(attempts) <= SWEEP_BLOCK_REQUESTS;
}
// Addresses a range search looks ahead through for one block, so that a wide range mostly
// outside the subnet does not hold up the probes it has found.
constexpr std::size_t LOOK_AHEAD_LIMIT = 65536;

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

void WalkNetworkNames(SearchRunContext& context, SearchRunScope& run) {
    if (run.Settings().WINS == 0 || !context.enumerateNames) {
        return;
    }
    run.StartNames(ReadSearchRanges(context.searchRanges));
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

// ProbeAndUpdate of one address of the walk, counted in the run's progress.
ProbeResult ProbeCounted(SearchRunScope& run, RunProgress& progress, Ipv4 ip, int attempts,
                         NodeRecord& record) {
    const ProbeResult result = run.ProbeAndUpdate(ip, attempts, record);
    if (result == ProbeResult::Present) {
        ++progress.found;
    }
    if (result == ProbeResult::Present || result == ProbeResult::Absent) {
        ++progress.done;
    }
    return result;
}

// Reads the adapter and the names, as a range search and a list refresh both begin.
// Completed when the run may go on.
RunOutcome CommonStart(SearchRunContext& context, SearchRunScope& run) {
    context.banner.SetSummaryText(Sjis(PREPARING_TEXT));
    if (run.ReadLocalAdapter() != 0) {
        return run.Rights() == RawSocketCheck::Allowed ? RunOutcome::StartFailed
                                                       : RunOutcome::NoRights;
    }
    WalkNetworkNames(context, run);
    return RunOutcome::Completed;
}

// The attempts a range search gives the address, or 0 when it skips it: outside the
// subnet, a stored node whose row is unchecked, last byte 0 or 255. record is the stored
// one. With syncMonitor the stored monitor flag follows the check box, as the visit does;
// a look-ahead only reads.
int RangeAttempts(SearchRunContext& context, const SearchRunScope& run, Ipv4 ip, int lastByte,
                  bool syncMonitor, NodeRecord& record) {
    const LocalAdapterInfo& local = run.Local();
    if (IsOutsideSubnet(ip, local.ownAddress, local.subnetMask)) {
        return 0;
    }
    context.nodes.FindNodeByIp(ip, record);
    if (record.status != NODE_NEVER_SEEN) {
        const int checked =
            syncMonitor ? SyncMonitorFlag(context, ip, record) : context.steps.IsNodeChecked(ip);
        if (checked == 0) {
            return 0;
        }
    }
    if (lastByte == 0 || lastByte == 255) {
        return 0;
    }
    return record.status != NODE_NEVER_SEEN ? KnownNodeAttempts(run.Settings().RETRY) : 1;
}

// Probes the address together with the next ones the walk will probe. The outcomes wait for
// the per-address steps, which still run one by one in the walk's order.
void ProbeRangeBlock(SearchRunContext& context, SearchRunScope& run, SweepTarget first,
                     RangeWalk ahead) {
    std::vector<SweepTarget> targets{first};
    std::size_t requests = static_cast<std::size_t>(first.attempts);
    Ipv4 ip = 0;
    int lastByte = 0;
    for (std::size_t looked = 0;
         targets.size() < SWEEP_BLOCK && looked < LOOK_AHEAD_LIMIT && ahead.Next(ip, lastByte);
         ++looked) {
        NodeRecord record;
        const int attempts = RangeAttempts(context, run, ip, lastByte, false, record);
        if (attempts > 0 && !context.steps.HasOutcome(ip, attempts)) {
            if (!RoomInBlock(requests, attempts)) {
                break;
            }
            targets.push_back({ip, attempts});
            requests += static_cast<std::size_t>(attempts);
        }
    }
    run.ProbeBlock(targets);
}

// A range search that reached no address of the own subnet has searched nothing: no range
// at all, ranges of another network (another adapter chosen since), or a damaged range file.
// It says so instead of ending as if it had searched.
void ReportNothingSearched(SearchRunContext& context, const SearchRunScope& run, bool anyRange) {
    if (!anyRange) {
        context.errorLog.WriteErrorLog(NETMON_TAG, Sjis("検索範囲が設定されていません。"));
        return;
    }
    const LocalAdapterInfo& local = run.Local();
    int bits = 0;
    for (std::uint32_t mask = HostOrder(local.subnetMask); (mask & 0x80000000U) != 0; mask <<= 1) {
        ++bits;
    }
    const Ipv4 network = local.ownAddress & local.subnetMask;
    context.errorLog.WriteErrorLog(
        NETMON_TAG, Sjis("検索範囲にローカルネットワーク（" + FormatIp(network) + "/" +
                         std::to_string(bits) + "）のアドレスがありません。"));
}

RunOutcome WalkSearchRanges(SearchRunContext& context, RunFlags& flags, SearchRunScope& run) {
    if (const RunOutcome start = CommonStart(context, run); start != RunOutcome::Completed) {
        return start;
    }
    const auto ranges = ReadSearchRanges(context.searchRanges);
    flags.progress.Start(RangeWalk::AddressCount(ranges));
    RangeWalk walk(ranges);
    Ipv4 ip = 0;
    int lastByte = 0;
    bool reachedSubnet = false;
    while (walk.Next(ip, lastByte)) {
        if (StopRequested(flags)) {
            return RunOutcome::Stopped;
        }
        reachedSubnet =
            reachedSubnet || !IsOutsideSubnet(ip, run.Local().ownAddress, run.Local().subnetMask);
        NodeRecord record;
        const int attempts = RangeAttempts(context, run, ip, lastByte, true, record);
        if (attempts == 0) {
            ++flags.progress.done;
            continue;
        }
        if (!context.steps.HasOutcome(ip, attempts)) {
            ProbeRangeBlock(context, run, {ip, attempts}, walk);
        }
        if (ProbeCounted(run, flags.progress, ip, attempts, record) == ProbeResult::Failed) {
            return RunOutcome::ProbeFailed;
        }
    }
    if (!reachedSubnet) {
        ReportNothingSearched(context, run, !ranges.empty());
    }
    return RunOutcome::Completed;
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

// Probes the node at position n together with the checked nodes after it.
void ProbeListBlock(SearchRunContext& context, SearchRunScope& run, std::size_t n,
                    SweepTarget first) {
    std::vector<SweepTarget> targets{first};
    NodeRecord record;
    for (std::size_t m = n + 1;
         targets.size() < SWEEP_BLOCK &&
         RoomInBlock(targets.size() * static_cast<std::size_t>(first.attempts), first.attempts) &&
         context.nodes.ReadNodeAt(m, record) == 0;
         ++m) {
        if (context.steps.IsNodeChecked(record.ip) != 0 &&
            !context.steps.HasOutcome(record.ip, first.attempts)) {
            targets.push_back({record.ip, first.attempts});
        }
    }
    run.ProbeBlock(targets);
}

RunOutcome WalkNodeList(SearchRunContext& context, RunFlags& flags, SearchRunScope& run) {
    if (const RunOutcome start = CommonStart(context, run); start != RunOutcome::Completed) {
        return start;
    }
    const int attempts = KnownNodeAttempts(run.Settings().RETRY);
    flags.progress.Start(context.nodes.CountNodes());
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
            ++flags.progress.done;
            ++n;
            continue;
        }
        // A node that goes down with NODEDISP set, or a moved node, leaves the store during
        // its probe; the records behind it move up and the next one is then at n already.
        const std::size_t countBefore = context.nodes.CountNodes();
        if (!context.steps.HasOutcome(ip, attempts)) {
            ProbeListBlock(context, run, n, {ip, attempts});
        }
        if (ProbeCounted(run, flags.progress, ip, attempts, record) == ProbeResult::Failed) {
            return RunOutcome::ProbeFailed;
        }
        if (!ProbedRecordLeft(context.nodes, n, ip, countBefore)) {
            ++n;
        }
    }
}

RunOutcome ProbeOneNode(SearchRunContext& context, RunFlags& flags, SearchRunScope& run, Ipv4 ip) {
    context.banner.SetSummaryText(Sjis(PREPARING_TEXT));
    if (!run.CheckRights()) {
        return RunOutcome::NoRights;
    }
    flags.progress.Start(1);
    WalkNetworkNames(context, run);
    NodeRecord record;
    context.nodes.FindNodeByIp(ip, record);
    const int attempts = KnownNodeAttempts(run.Settings().RETRY);
    const SweepTarget only{ip, attempts};
    run.ProbeBlock({&only, 1});
    switch (ProbeCounted(run, flags.progress, ip, attempts, record)) {
        case ProbeResult::Failed:
            return RunOutcome::ProbeFailed;
        case ProbeResult::Cut:
            return RunOutcome::Stopped;
        default:
            return RunOutcome::Completed;
    }
}

// A run started by a command says how it ended; one without the rights to search says
// what is missing instead of reporting a search that never happened.
void EndOfRun(SearchRunContext& context, RunFlags& flags, RunOutcome outcome,
              RawSocketCheck rights) {
    if (flags.manualRun.load() != 0) {
        if (outcome == RunOutcome::NoRights) {
            context.prompt.ShowMessage(RawRightsAdvice(rights), PromptIcon::Stop,
                                       PromptButtons::Ok);
        } else {
            context.prompt.ShowMessage(Sjis(FINISHED_TEXT), PromptIcon::Information,
                                       PromptButtons::Ok);
        }
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
    // Nothing of the last run's progress shows while this one prepares.
    flags.progress.Start(0);
    {
        SearchRunScope run(context, context.settings.App(), &flags.stopRequested);
        outcome = body(run);
        run.WaitForNames();
        EndOfRun(context, flags, outcome, run.Rights());
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
                    [&](SearchRunScope& run) { return ProbeOneNode(context, flags, run, ip); });
}

}  // namespace halvera
