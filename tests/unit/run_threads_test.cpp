#include "net/run_threads.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/text_codec.h"
#include "net/local_adapter_info.h"
#include "support/search_run_harness.h"

namespace halvera {
namespace {

using test::SearchRunHarness;
using Calls = std::vector<std::string>;

constexpr const char* PREPARING = "summary 【ノード検索】 検索準備中 . . .";
constexpr const char* FINISHED = "info 検索処理が終了しました。 (active)";

struct StoredNode {
    const char* ip;
    std::int8_t status;
    std::uint32_t monitor;
    int checked;  // the row's check box
};

// A run started as the commands start it: both flags set for a manual run.
void StartFlags(RunFlags& flags, bool manual) {
    flags.manualRun = manual ? 1 : 0;
    flags.runActive = 1;
}

TEST(RunThreads, RangeSearchVisitsAndSkips) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, const char*>> ranges;
        std::vector<StoredNode> stored;
        std::vector<std::pair<const char*, int>> probes;  // address, attempts
        std::vector<std::pair<const char*, std::uint32_t>> monitorAfter;
    };
    // Own host 192.168.1.7/24, RETRY 3.
    const Case cases[] = {
        {"ranges_in_list_order_without_last_bytes_0_and_255",
         {{"192.168.1.254", "192.168.1.255"}, {"192.168.1.0", "192.168.1.1"}},
         {},
         {{"192.168.1.254", 1}, {"192.168.1.1", 1}},
         {}},
        {"each_byte_runs_on_its_own_so_250_to_5_walks_nothing",
         {{"192.168.1.250", "192.168.2.5"}},
         {},
         {},
         {}},
        {"addresses_outside_the_subnet_are_skipped",
         {{"192.168.0.1", "192.168.1.2"}},
         {},
         {{"192.168.1.1", 1}, {"192.168.1.2", 1}},
         {}},
        {"unchecked_stored_node_is_skipped_and_its_flag_cleared",
         {{"192.168.1.4", "192.168.1.6"}},
         {{"192.168.1.5", NODE_UP, 1, 0}},
         {{"192.168.1.4", 1}, {"192.168.1.6", 1}},
         {{"192.168.1.5", 0}}},
        {"checked_stored_node_gets_retry_plus_one_and_its_flag_set",
         {{"192.168.1.5", "192.168.1.5"}},
         {{"192.168.1.5", NODE_DOWN, 0, 1}},
         {{"192.168.1.5", 4}},
         {{"192.168.1.5", 1}}},
        {"record_never_seen_is_probed_once_without_the_check_box",
         {{"192.168.1.5", "192.168.1.5"}},
         {{"192.168.1.5", NODE_NEVER_SEEN, 1, 0}},
         {{"192.168.1.5", 1}},
         {{"192.168.1.5", 1}}},
        {"flags_follow_the_rows_even_at_last_bytes_0_and_255",
         {{"192.168.1.0", "192.168.1.0"}, {"192.168.1.255", "192.168.1.255"}},
         {{"192.168.1.0", NODE_UP, 0, 1}, {"192.168.1.255", NODE_UP, 1, 0}},
         {},
         {{"192.168.1.0", 1}, {"192.168.1.255", 0}}},
    };
    for (const auto& c : cases) {
        SearchRunHarness h;
        for (const auto& [start, end] : c.ranges) {
            h.AddRange(start, end);
        }
        for (const auto& node : c.stored) {
            h.StoreNode(node.ip, node.status, node.monitor);
            h.steps.checked[InetAddr(node.ip)] = node.checked;
        }
        StartFlags(h.flags, false);
        auto context = h.Context();
        EXPECT_EQ(SearchRangesThread(context, h.flags), RunOutcome::Completed) << c.name;

        std::vector<std::pair<std::string, int>> probes;
        for (const auto& probe : h.steps.Probes()) {
            probes.emplace_back(FormatIp(probe.ip), probe.attempts);
        }
        std::vector<std::pair<std::string, int>> expected;
        for (const auto& [ip, attempts] : c.probes) {
            expected.emplace_back(ip, attempts);
        }
        EXPECT_EQ(probes, expected) << c.name;
        for (const auto& [ip, monitor] : c.monitorAfter) {
            NodeRecord stored;
            h.nodes.FindNodeByIp(InetAddr(ip), stored);
            EXPECT_EQ(stored.monitor, monitor) << c.name << " " << ip;
        }
    }
}

TEST(RunThreads, ProgressCountsEveryAddressOfTheWalkAndTheNodesThatAnswered) {
    struct Case {
        const char* name;
        int kind;  // 0 range search, 1 list refresh, 2 node refresh of 192.168.1.5
        std::vector<std::pair<const char*, int>> stored;  // address, check box
        std::vector<std::uint64_t> doneAtProbes;
        std::uint64_t total;
        std::uint64_t found;
    };
    // Own host 192.168.1.7/24; 192.168.1.2 and 192.168.1.5 answer. The ranges hold six
    // addresses of the subnet (the first with last byte 0) and two outside it.
    const Case cases[] = {
        {"range search", 0, {}, {1, 2, 3, 4, 5}, 8, 2},
        {"list refresh",
         1,
         {{"192.168.1.2", 0}, {"192.168.1.3", 1}, {"192.168.1.5", 1}},
         {1, 2},
         3,
         1},
        {"node refresh", 2, {}, {0}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SearchRunHarness h;
        h.AddRange("192.168.1.0", "192.168.1.5");
        h.AddRange("10.0.0.1", "10.0.0.2");
        for (const auto& [ip, checked] : c.stored) {
            h.StoreNode(ip, NODE_UP, checked);
            h.steps.checked[InetAddr(ip)] = checked;
        }
        std::vector<std::uint64_t> doneAtProbes;
        h.steps.onProbe = [&](Ipv4 ip, NodeRecord&) {
            doneAtProbes.push_back(h.flags.progress.done);
            EXPECT_EQ(h.flags.progress.total, c.total);
            return ip == InetAddr("192.168.1.2") || ip == InetAddr("192.168.1.5")
                       ? ProbeResult::Present
                       : ProbeResult::Absent;
        };
        StartFlags(h.flags, false);
        auto context = h.Context();
        const RunOutcome outcome =
            c.kind == 0   ? SearchRangesThread(context, h.flags)
            : c.kind == 1 ? RefreshListThread(context, h.flags)
                          : RefreshNodeThread(context, h.flags, InetAddr("192.168.1.5"));
        EXPECT_EQ(outcome, RunOutcome::Completed);
        EXPECT_EQ(doneAtProbes, c.doneAtProbes);
        EXPECT_EQ(h.flags.progress.done, c.total);
        EXPECT_EQ(h.flags.progress.found, c.found);
    }
}

TEST(RunThreads, ARangeSearchThatReachesNoAddressOfTheSubnetSaysSo) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, const char*>> ranges;
        std::vector<std::pair<std::string, std::string>> logged;
    };
    const std::pair<std::string, std::string> outside{
        "netmond",
        Sjis("検索範囲にローカルネットワーク（192.168.1.0/24）のアドレスがありません。")};
    // Own host 192.168.1.7/24.
    const Case cases[] = {
        {"no range", {}, {{"netmond", Sjis("検索範囲が設定されていません。")}}},
        {"another network", {{"10.0.0.1", "10.0.0.9"}}, {outside}},
        {"a damaged range reads as 0.0.0.0", {{"0.0.0.0", "0.0.0.0"}}, {outside}},
        {"a range that walks nothing", {{"192.168.1.250", "192.168.2.5"}}, {outside}},
        {"one address of the subnet",
         {{"10.0.0.1", "10.0.0.9"}, {"192.168.1.9", "192.168.1.9"}},
         {}},
        {"only the subnet's own network address", {{"192.168.1.0", "192.168.1.0"}}, {}},
    };
    for (const auto& c : cases) {
        SearchRunHarness h;
        for (const auto& [start, end] : c.ranges) {
            h.AddRange(start, end);
        }
        StartFlags(h.flags, false);
        auto context = h.Context();
        EXPECT_EQ(SearchRangesThread(context, h.flags), RunOutcome::Completed) << c.name;
        EXPECT_EQ(h.errorLog.Lines(), c.logged) << c.name;
    }
}

// The probes of a range search come from blocks planned ahead in walk order, each address
// with the attempts its step then asks for.
TEST(RunThreads, RangeSearchProbesBlocksAheadOfItsSteps) {
    SearchRunHarness h;
    h.driver.adapters->front().mask = InetAddr("255.255.0.0");
    h.AddRange("192.168.0.1", "192.168.5.254");
    h.StoreNode("192.168.0.4", NODE_UP, 1);
    h.steps.checked[InetAddr("192.168.0.4")] = 1;
    h.StoreNode("192.168.0.5", NODE_UP, 1);  // unchecked: skipped
    // A step that stores a node further on: that address is due with other attempts than
    // its block gave it, so it gets a block of its own.
    h.steps.onProbe = [&](Ipv4 ip, NodeRecord&) {
        if (ip == InetAddr("192.168.0.20")) {
            h.StoreNode("192.168.0.30", NODE_DOWN, 1);
            h.steps.checked[InetAddr("192.168.0.30")] = 1;
        }
        return ProbeResult::Absent;
    };
    StartFlags(h.flags, false);
    auto context = h.Context();
    EXPECT_EQ(SearchRangesThread(context, h.flags), RunOutcome::Completed);

    // The second block starts at the changed address and takes on where the first ended.
    const auto blocks = h.steps.Blocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].size(), 1024u);
    EXPECT_EQ(FormatIp(blocks[1][0].ip), "192.168.0.30");
    EXPECT_EQ(blocks[1][0].attempts, 4);
    EXPECT_EQ(blocks[1].size(), 1u + (6 * 254 - 1) - 1024);
    std::vector<std::pair<Ipv4, int>> planned;
    for (const SweepTarget& target : blocks[0]) {
        planned.emplace_back(target.ip, target.ip == blocks[1][0].ip ? 4 : target.attempts);
    }
    for (std::size_t i = 1; i < blocks[1].size(); ++i) {
        planned.emplace_back(blocks[1][i].ip, blocks[1][i].attempts);
    }
    std::vector<std::pair<Ipv4, int>> probed;
    for (const auto& probe : h.steps.Probes()) {
        probed.emplace_back(probe.ip, probe.attempts);
    }
    EXPECT_EQ(probed, planned);
    EXPECT_EQ(probed[3], std::make_pair(InetAddr("192.168.0.4"), 4));
    EXPECT_EQ(probed[4].first, InetAddr("192.168.0.6"));
}

// All attempts of a kind go out in one window, and every reply waits in the capture buffer
// until the window is read: with many attempts per address a block holds fewer addresses.
TEST(RunThreads, ABlockSendsNoMoreRequestsOfAKindThanTheCaptureBufferHolds) {
    using Thread = std::function<RunOutcome(SearchRunContext&, RunFlags&)>;
    for (const Thread& thread : {Thread(SearchRangesThread), Thread(RefreshListThread)}) {
        SearchRunHarness h;
        h.ChangeApp([](AppSettings& app) { app.RETRY = 100; });
        h.AddRange("192.168.1.1", "192.168.1.100");
        for (int n = 1; n <= 100; ++n) {
            const std::string ip = "192.168.1." + std::to_string(n);
            h.StoreNode(ip.c_str(), NODE_UP, 1);
            h.steps.checked[InetAddr(ip)] = 1;
        }
        StartFlags(h.flags, false);
        auto context = h.Context();
        EXPECT_EQ(thread(context, h.flags), RunOutcome::Completed);
        std::vector<std::size_t> sizes;
        for (const auto& block : h.steps.Blocks()) {
            sizes.push_back(block.size());
        }
        // 101 attempts each: 40 addresses make 4,040 requests of a kind.
        EXPECT_EQ(sizes, (std::vector<std::size_t>{40, 40, 20}));
    }
}

TEST(RunThreads, ProbeHandsOverTheStoredRecordAndTheOwnAdapter) {
    SearchRunHarness h;
    h.ChangeApp([](AppSettings& app) { app.RETRY = 1; });
    h.AddRange("192.168.1.9", "192.168.1.9");
    h.StoreNode("192.168.1.9", NODE_DOWN, 1);
    h.steps.checked[InetAddr("192.168.1.9")] = 1;
    StartFlags(h.flags, false);
    auto context = h.Context();
    SearchRangesThread(context, h.flags);

    const auto probes = h.steps.Probes();
    ASSERT_EQ(probes.size(), 1u);
    EXPECT_EQ(probes[0].attempts, 2);
    EXPECT_EQ(probes[0].record.status, NODE_DOWN);
    EXPECT_EQ(probes[0].record.label, "192.168.1.9");
    EXPECT_EQ(FormatIp(probes[0].local.ownAddress), SearchRunHarness::OWN_IP);
    EXPECT_EQ(h.local.Get(), probes[0].local);
}

TEST(RunThreads, ProbeErrorEndsTheRunAfterTheCurrentAddress) {
    SearchRunHarness h;
    h.AddRange("192.168.1.1", "192.168.1.5");
    h.AddRange("192.168.1.10", "192.168.1.12");
    h.steps.results[InetAddr("192.168.1.3")] = ProbeResult::Failed;
    StartFlags(h.flags, true);
    auto context = h.Context();
    EXPECT_EQ(SearchRangesThread(context, h.flags), RunOutcome::ProbeFailed);
    EXPECT_EQ(h.steps.Calls(),
              (Calls{"begin", PREPARING, "probe 192.168.1.1", "probe 192.168.1.2",
                     "probe 192.168.1.3", FINISHED, "flush", "summary", "end", "release"}));
    EXPECT_EQ(h.flags.runActive, 0);
    EXPECT_EQ(h.flags.manualRun, 0);
}

// A stop request reaches the windows of the steps; the address they cut is not counted as
// searched, and every kind of run ends as stopped through its normal end.
TEST(RunThreads, AStopCutsTheCurrentAddressAndEndsTheRun) {
    using Thread = std::function<RunOutcome(SearchRunContext&, RunFlags&)>;
    const struct Case {
        const char* name;
        Thread thread;
        Calls probes;
        std::uint64_t done;
    } cases[] = {
        {"range search", SearchRangesThread,
         Calls{"probe 192.168.1.1", "probe 192.168.1.2", "probe 192.168.1.3"}, 2},
        {"list refresh", RefreshListThread,
         Calls{"probe 192.168.1.1", "probe 192.168.1.2", "probe 192.168.1.3"}, 2},
        {"node refresh",
         [](SearchRunContext& context, RunFlags& flags) {
             return RefreshNodeThread(context, flags, InetAddr("192.168.1.3"));
         },
         Calls{"probe 192.168.1.3"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchRunHarness h;
        h.AddRange("192.168.1.1", "192.168.1.5");
        for (const char* ip : {"192.168.1.1", "192.168.1.2", "192.168.1.3", "192.168.1.4"}) {
            h.StoreNode(ip, NODE_UP, 1);
            h.steps.checked[InetAddr(ip)] = 1;
        }
        h.steps.onProbe = [&](Ipv4 ip, NodeRecord&) {
            if (ip != InetAddr("192.168.1.3")) {
                return ProbeResult::Present;
            }
            h.flags.stopRequested = 1;
            return h.steps.StopRequested() ? ProbeResult::Cut : ProbeResult::Present;
        };
        StartFlags(h.flags, true);
        auto context = h.Context();
        EXPECT_EQ(c.thread(context, h.flags), RunOutcome::Stopped);
        Calls probes = h.steps.Calls();
        std::erase_if(probes, [](const std::string& call) { return !call.starts_with("probe"); });
        EXPECT_EQ(probes, c.probes);
        EXPECT_EQ(h.flags.progress.done.load(), c.done);
        EXPECT_EQ(h.flags.progress.found.load(), c.done);
        // The usual end: the completion message of a command, the mail, the banner.
        const Calls calls = h.steps.Calls();
        EXPECT_EQ(Calls(calls.end() - 5, calls.end()),
                  (Calls{FINISHED, "flush", "summary", "end", "release"}));
        EXPECT_EQ(h.flags.runActive, 0);
    }
}

TEST(RunThreads, ListRefreshWalksTheStoreInOrderAndMissesNoNodeAfterARemovedOne) {
    SearchRunHarness h;
    // Store order: .9, .4, .3, 10.0.0.5. The list refresh tests neither the subnet nor the
    // status; .9 leaves the store during its probe, as a node going down with NODEDISP does.
    const StoredNode stored[] = {{"192.168.1.9", NODE_UP, 1, 1},
                                 {"192.168.1.4", NODE_UP, 1, 1},
                                 {"192.168.1.3", NODE_DOWN, 1, 0},
                                 {"10.0.0.5", NODE_NEVER_SEEN, 0, 1}};
    for (const auto& node : stored) {
        h.StoreNode(node.ip, node.status, node.monitor);
        h.steps.checked[InetAddr(node.ip)] = node.checked;
    }
    h.steps.onProbe = [&](Ipv4 ip, NodeRecord&) {
        if (ip == InetAddr("192.168.1.9")) {
            h.nodes.DeleteNode(ip);
        }
        return ProbeResult::Present;
    };
    StartFlags(h.flags, false);
    auto context = h.Context();
    EXPECT_EQ(RefreshListThread(context, h.flags), RunOutcome::Completed);

    EXPECT_EQ(h.steps.Calls(), (Calls{"begin", PREPARING, "probe 192.168.1.9", "probe 192.168.1.4",
                                      "probe 10.0.0.5", "flush", "summary", "end", "release"}));
    for (const auto& probe : h.steps.Probes()) {
        EXPECT_EQ(probe.attempts, 4) << FormatIp(probe.ip);
    }
    // The checked nodes went out as one block before the first step.
    const auto blocks = h.steps.Blocks();
    ASSERT_EQ(blocks.size(), 1u);
    std::vector<std::string> block;
    for (const SweepTarget& target : blocks[0]) {
        block.push_back(FormatIp(target.ip));
    }
    EXPECT_EQ(block, (std::vector<std::string>{"192.168.1.9", "192.168.1.4", "10.0.0.5"}));
    NodeRecord record;
    h.nodes.FindNodeByIp(InetAddr("192.168.1.3"), record);
    EXPECT_EQ(record.monitor, 0u);
    h.nodes.FindNodeByIp(InetAddr("10.0.0.5"), record);
    EXPECT_EQ(record.monitor, 1u);
}

TEST(RunThreads, NodeRefreshProbesItsAddressWithoutChecksOrAdapterRead) {
    SearchRunHarness h;
    h.ChangeApp([](AppSettings& app) { app.WINS = 1; });
    h.AddRange("192.168.1.1", "192.168.1.255");
    // The adapter list cannot be read, and the node's row is unchecked: neither matters.
    h.driver.adapters.reset();
    const LocalAdapterInfo earlier{InetAddr("192.168.1.7"), InetAddr("255.255.255.0"), {}};
    h.local.Set(earlier);
    h.StoreNode("192.168.1.255", NODE_UP, 0);
    h.steps.results[InetAddr("192.168.1.255")] = ProbeResult::Present;
    StartFlags(h.flags, true);
    auto context = h.Context();
    EXPECT_EQ(RefreshNodeThread(context, h.flags, InetAddr("192.168.1.255")),
              RunOutcome::Completed);

    // The node answered: its names are asked for once its block's rounds have found it
    // (beside the step, so the walk's place among the steps is not fixed), with the adapter
    // as last read.
    Calls calls = h.steps.Calls();
    EXPECT_EQ(std::erase(calls, "names"), 1u);
    EXPECT_EQ(calls, (Calls{"begin", PREPARING, "probe 192.168.1.255", FINISHED, "flush", "summary",
                            "end", "release"}));
    const auto probes = h.steps.Probes();
    ASSERT_EQ(probes.size(), 1u);
    EXPECT_EQ(probes[0].attempts, 4);
    EXPECT_EQ(probes[0].record.status, NODE_UP);
    EXPECT_EQ(probes[0].local, earlier);
    const auto walks = h.NameWalks();
    ASSERT_EQ(walks.size(), 1u);
    ASSERT_EQ(walks[0].ranges.size(), 1u);
    EXPECT_EQ(walks[0].ranges[0].start, InetAddr("192.168.1.255"));
    EXPECT_EQ(walks[0].ranges[0].end, InetAddr("192.168.1.255"));
    EXPECT_EQ(walks[0].ownIp, earlier.ownAddress);
    EXPECT_EQ(walks[0].mask, earlier.subnetMask);
}

TEST(RunThreads, CommonStart) {
    struct Case {
        const char* name;
        int adpnum;
        int wins;
        RunOutcome outcome;
        Calls calls;
    };
    const Case cases[] = {
        // The walk runs beside the steps: its place among them is not fixed.
        {"names_asked_once_the_probe_found_the_node",
         0,
         1,
         RunOutcome::Completed,
         {"begin", PREPARING, "probe 192.168.1.1", FINISHED, "flush", "summary", "end", "release"}},
        {"no_names_without_wins",
         0,
         0,
         RunOutcome::Completed,
         {"begin", PREPARING, "probe 192.168.1.1", FINISHED, "flush", "summary", "end", "release"}},
        {"adapter_that_is_missing_is_shown_and_ends_the_run_before_any_probe",
         1,
         1,
         RunOutcome::StartFailed,
         {"begin", PREPARING, "info winpcap driver not install。 (active)", FINISHED, "flush",
          "summary", "end", "release"}},
    };
    for (const auto& c : cases) {
        for (bool listRefresh : {false, true}) {
            SearchRunHarness h;
            h.ChangeApp([&](AppSettings& app) {
                app.ADPNUM = c.adpnum;
                app.WINS = c.wins;
            });
            h.AddRange("192.168.1.1", "192.168.1.1");
            h.steps.results[InetAddr("192.168.1.1")] = ProbeResult::Present;
            if (listRefresh) {
                h.StoreNode("192.168.1.1", NODE_UP, 1);
                h.steps.checked[InetAddr("192.168.1.1")] = 1;
            }
            StartFlags(h.flags, true);
            auto context = h.Context();
            const RunOutcome outcome = listRefresh ? RefreshListThread(context, h.flags)
                                                   : SearchRangesThread(context, h.flags);
            EXPECT_EQ(outcome, c.outcome) << c.name << " list refresh " << listRefresh;
            Calls calls = h.steps.Calls();
            std::erase(calls, "names");
            EXPECT_EQ(calls, c.calls) << c.name << " list refresh " << listRefresh;
            // A missing adapter is logged as an adapter that does not open.
            const bool missing = c.outcome == RunOutcome::StartFailed;
            using Lines = std::vector<std::pair<std::string, std::string>>;
            const Lines missingLine{{"netmond", "Unable to open the driver"}};
            EXPECT_EQ(h.errorLog.Lines(), missing ? missingLine : Lines()) << c.name;
            const auto walks = h.NameWalks();
            ASSERT_EQ(walks.size(), c.wins != 0 && !missing ? 1u : 0u) << c.name;
            if (!walks.empty()) {
                ASSERT_EQ(walks[0].ranges.size(), 1u);
                EXPECT_EQ(FormatIp(walks[0].ranges[0].start), "192.168.1.1") << c.name;
                EXPECT_EQ(FormatIp(walks[0].ownIp), SearchRunHarness::OWN_IP) << c.name;
                EXPECT_EQ(FormatIp(walks[0].mask), SearchRunHarness::MASK) << c.name;
            }
        }
    }
}

// Without the right to send and capture raw frames nothing is probed, and a run started by a
// command says what is missing and how to mend it instead of saying it has finished.
TEST(RunThreads, WithoutTheRightsNothingIsProbedAndACommandIsToldTheFix) {
    const struct {
        RawSocketCheck check;
        const char* fix;
    } cases[] = {
        {RawSocketCheck::HelperNotPermitted,
         "halvera グループに参加して、ログインし直してください。"},
        {RawSocketCheck::HelperMissing, "セットアップを実行してください。"},
        {RawSocketCheck::SocketRefused, "セットアップを実行して権限を与えてください。"},
    };
    for (const auto& c : cases) {
        for (int kind = 0; kind < 3; ++kind) {
            for (bool manual : {true, false}) {
                SCOPED_TRACE(std::string(c.fix) + " run kind " + std::to_string(kind) +
                             (manual ? " manual" : " polled"));
                SearchRunHarness h;
                h.AddRange("192.168.1.1", "192.168.1.1");
                h.StoreNode("192.168.1.1", NODE_UP, 1);
                h.steps.checked[InetAddr("192.168.1.1")] = 1;
                h.driver.rawSocket = c.check;
                StartFlags(h.flags, manual);
                auto context = h.Context();
                const RunOutcome outcome =
                    kind == 0   ? SearchRangesThread(context, h.flags)
                    : kind == 1 ? RefreshListThread(context, h.flags)
                                : RefreshNodeThread(context, h.flags, InetAddr("192.168.1.1"));
                EXPECT_EQ(outcome, RunOutcome::NoRights);
                Calls expected{"begin", PREPARING};
                if (manual) {
                    expected.push_back("stop " + Cp932ToUtf8Lossy(RawRightsAdvice(c.check)) +
                                       " (active)");
                }
                expected.insert(expected.end(), {"flush", "summary", "end", "release"});
                EXPECT_EQ(h.steps.Calls(), expected);
                EXPECT_NE(Cp932ToUtf8Lossy(RawRightsAdvice(c.check)).find(c.fix),
                          std::string::npos);
                EXPECT_EQ(h.flags.manualRun, 0);
            }
        }
    }
}

TEST(RunThreads, EndOfRunManualOrPolled) {
    for (bool manual : {true, false}) {
        SearchRunHarness h;
        StartFlags(h.flags, manual);
        auto context = h.Context();
        RefreshNodeThread(context, h.flags, InetAddr("192.168.1.20"));
        Calls expected{"begin", PREPARING, "probe 192.168.1.20"};
        if (manual) {
            expected.push_back(FINISHED);
        }
        expected.insert(expected.end(), {"flush", "summary", "end", "release"});
        EXPECT_EQ(h.steps.Calls(), expected) << "manual " << manual;
        EXPECT_EQ(h.flags.manualRun, 0);
        EXPECT_EQ(h.flags.runActive, 0);
    }
}

TEST(RunThreads, AttemptsForKnownNodes) {
    const std::pair<int, int> cases[] = {{3, 4}, {0, 1}, {INT_MAX, INT_MAX}};
    for (const auto& [retry, attempts] : cases) {
        EXPECT_EQ(KnownNodeAttempts(retry), attempts) << retry;
    }
}

}  // namespace
}  // namespace halvera
