#include "net/node_searcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "lists/list_tables.h"
#include "lists/node_cells.h"
#include "net/node_list.h"
#include "store/event_kind.h"
#include "store/node_line.h"
#include "support/event_actions_harness.h"
#include "support/file_bytes.h"
#include "support/fixed_clock.h"
#include "support/recording_summary.h"
#include "support/simulated_segment.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using Host = test::SimulatedSegment::Host;
using Texts = std::vector<std::string>;

Ipv4 At(int last) {
    return MakeIp(192, 168, 0, last);
}
MacAddress Mac(int n) {
    return {0x02, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(n)};
}
const MacAddress OWN_MAC{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
const LocalAdapterInfo LOCAL{At(10), MakeIp(255, 255, 255, 0), OWN_MAC};
constexpr TestBits ALL_TESTS = TEST_B47 | TEST_B16 | TEST_B8;

// Every address of the segment has the name pcNN in the resolver.
class NumberedNames : public HostResolver {
  public:
    std::optional<std::string> NameOfAddress(Ipv4 ip) override {
        return "pc" + FormatIp(ip).substr(FormatIp(ip).rfind('.') + 1);
    }
    std::optional<HostEntry> AddressesOfName(const std::string& name) override {
        return HostEntry{{}, {At(std::stoi(name.substr(2)))}};
    }
};

// Short forms for the expectations: ".20" for an address of the segment, "M1" for Mac(1),
// "OWN" for the own MAC, "-" for nothing; a date by the run (minute) it was taken in.
std::string Short(Ipv4 ip) {
    const std::string text = FormatIp(ip);
    return text.substr(text.rfind('.'));
}
std::string Short(const MacAddress& mac) {
    if (IsZeroMac(mac)) {
        return "-";
    }
    if (mac == OWN_MAC) {
        return "OWN";
    }
    return "M" + std::to_string(mac[5]);
}
std::string RunOf(const std::string& date) {
    return date.empty() ? "-" : std::to_string(std::stoi(date.substr(14, 2)));
}

std::string RowText(const ListRow& row) {
    const auto& c = row.cells;
    std::string text = c[NODE_COL_LABEL] + " " + Short(InetAddr(c[NODE_COL_IP])) + " " +
                       Short(ParseMac(c[NODE_COL_MAC]).value_or(MacAddress{})) +
                       " st=" + (c[NODE_COL_ST].empty() ? "-" : c[NODE_COL_ST]) + " d" +
                       RunOf(c[NODE_COL_DETECTED]) + " u" + RunOf(c[NODE_COL_UPDATED]) +
                       (row.checked ? " on" : " off");
    const std::pair<int, const char*> marks[] = {
        {NODE_COL_B47, " B47"}, {NODE_COL_B16, " B16"}, {NODE_COL_B8, " B8"}};
    for (const auto& [column, name] : marks) {
        if (c[column] == Sjis("●")) {
            text += name;
        }
    }
    return text;
}

std::string RecordText(const NodeRecord& r) {
    return Short(r.ip) + " " + Short(r.mac) + " s" + std::to_string(r.status) + " " + r.label +
           " d" + RunOf(r.detected) + " u" + RunOf(r.updated) + " m" + std::to_string(r.monitor) +
           " b" + std::to_string(r.testBits);
}

// The kind and the address of an event row; an address or device change also with its
// information text (its message is "%LABEL").
std::string EventText(const ListRow& row) {
    static const std::map<int, std::string> names = {
        {EVENT_NEW_NODE, "NEW"},    {EVENT_NODE_UP, "UP"},
        {EVENT_NODE_DOWN, "DOWN"},  {EVENT_SNIFFING_NODE, "SNIFF"},
        {EVENT_IP_CHANGE, "MOVED"}, {EVENT_DEVICE_CHANGE, "DEVICE"}};
    std::string text = names.at(row.image) + " " + Short(InetAddr(row.cells[EVENT_COL_IP]));
    if (row.image == EVENT_IP_CHANGE || row.image == EVENT_DEVICE_CHANGE) {
        text += " " + Cp932ToUtf8Lossy(row.cells[EVENT_COL_INFO]);
    }
    return text;
}

// The tables write a step's result short: 1 present, 2 absent, -1 failed.
int Code(ProbeResult result) {
    switch (result) {
        case ProbeResult::Present:
            return 1;
        case ProbeResult::Absent:
            return 2;
        case ProbeResult::Cut:
            return SWEEP_CUT;
        case ProbeResult::Failed:
            break;
    }
    return -1;
}

struct Options {
    int promiss = 7;
    int nodedisp = 0;
    int wins = 1;
    // Whether the address and device changes have a record of their own (enabled like the
    // others) or none, as in every settings file written before they were raised.
    bool changeKinds = false;
};

// A program folder with its stores, the node list, the event actions and a pretend segment,
// probed as a run does: the stored record first, RETRY+1 attempts for a stored node.
struct World {
    explicit World(Options options = {}) {
        h.ChangeApp([&](AppSettings& app) {
            app.PROMISS = options.promiss;
            app.NODEDISP = options.nodedisp;
            app.WINS = options.wins;
        });
        EXPECT_EQ(nodes.InitNodeStore(), 0);
        EventSettings shown;
        shown.enabled = 1;
        shown.screen = 1;
        shown.log = 1;
        shown.message = "%LABEL";
        const int kinds = options.changeKinds ? EVENT_KIND_COUNT : EVENT_CONFIGURABLE_COUNT;
        for (int kind = 0; kind < kinds; ++kind) {
            h.eventSettings.PutEventSettings(kind, shown);
        }
    }

    // Starts run n: the segment as given, the clock at minute n.
    void StartRun(int n, std::vector<Host> hosts) {
        clock.Set(2005, 4, 1, 10, n, 0);
        segment.SetHosts(std::move(hosts));
        h.eventList.Clear();
    }

    int AttemptsFor(Ipv4 ip, NodeRecord& record) {
        nodes.FindNodeByIp(ip, record);
        return record.status != NODE_NEVER_SEEN ? h.settings.App().RETRY + 1 : 1;
    }

    // Probes the addresses together, with the attempts their stored records give now.
    void ProbeBlock(const std::vector<int>& lastBytes) {
        std::vector<SweepTarget> targets;
        for (int last : lastBytes) {
            NodeRecord record;
            targets.push_back({At(last), AttemptsFor(At(last), record)});
        }
        searcher.ProbeBlock(targets);
    }

    int Probe(Ipv4 ip) {
        NodeRecord record;
        const int attempts = AttemptsFor(ip, record);
        const int result = Code(searcher.ProbeAndUpdate(ip, attempts, record));
        last = record;
        return result;
    }

    Texts Events() const {
        Texts texts;
        for (const auto& row : h.eventList.Snapshot()) {
            texts.push_back(EventText(row));
        }
        return texts;
    }
    Texts Rows() const {
        Texts texts;
        for (const auto& row : nodeList.Display().Snapshot()) {
            texts.push_back(RowText(row));
        }
        return texts;
    }
    Texts Records() {
        Texts texts;
        NodeRecord record;
        for (std::size_t n = 0; nodes.ReadNodeAt(n, record) == 0; ++n, record = {}) {
            texts.push_back(RecordText(record));
        }
        return texts;
    }
    Texts Backups() {
        Texts texts;
        for (int n = 1; n <= 4; ++n) {
            NodeRecord record;
            if (nodes.FindBackupByMac(Mac(n), record) == 0) {
                texts.push_back(RecordText(record));
            }
        }
        return texts;
    }

    test::TempProgramFolder folder;
    test::FixedClock clock{2005, 4, 1, 10, 0, 0};
    test::ScopedClock scoped{clock};
    test::EventActionsHarness h;
    NodeStore nodes{h.prompt, h.errorLog};
    NodeTable nodeList;
    test::RecordingSummary banner;
    NumberedNames resolver;
    test::SimulatedSegment segment;
    NodeSearcher searcher{{segment, h.errorLog, h.prompt, h.settings, nodes, resolver, nodeList,
                           banner, h.actions, [](std::chrono::milliseconds) {}},
                          LOCAL};
    NodeRecord last;
};

struct SearchRun {
    std::vector<Host> segment;
    std::vector<int> probed;  // last bytes of the addresses, in probe order
    std::vector<int> results;
    Texts events;
};

// Runs the searches one after the other, each at its own minute, and checks what each one
// gave and raised.
// Runs the searches; with `batched` each run's addresses are first probed as one block, as
// the runs do, before their steps.
void RunSearches(World& world, const std::vector<SearchRun>& runs, bool batched = false) {
    for (std::size_t n = 0; n < runs.size(); ++n) {
        SCOPED_TRACE("run " + std::to_string(n + 1));
        const SearchRun& run = runs[n];
        world.StartRun(static_cast<int>(n + 1), run.segment);
        if (batched) {
            world.ProbeBlock(run.probed);
        }
        std::vector<int> results;
        for (int last : run.probed) {
            results.push_back(world.Probe(At(last)));
            EXPECT_EQ(world.nodeList.Display().FindRow(NODE_COL_MONITOR, SearchingText()), -1);
        }
        EXPECT_EQ(results, run.results);
        EXPECT_EQ(world.Events(), run.events);
    }
}

// Dates another program or an editor left in a form of its own stay as they were written
// while the node does not change, and only the date a change sets takes the list's form.
TEST(NodeSearcher, StoredDatesInAnotherFormAreKeptUntilTheNodeChanges) {
    World world;
    NodeRecord stored;
    stored.ip = At(20);
    stored.mac = Mac(1);
    stored.status = NODE_UP;
    stored.monitor = 1;
    stored.label = "pc20";
    stored.host = "pc20";
    stored.detected = "2005-4-1 9:00";
    stored.updated = "yesterday";
    ASSERT_EQ(world.nodes.PutNode(stored), PUT_APPENDED);
    LoadNodeList(world.nodeList, world.nodes, 7, nullptr);
    const std::string before = test::ReadBytes(DbFolder() / "NetDB.na");

    world.StartRun(1, {{At(20), Mac(1)}});
    EXPECT_EQ(world.Probe(At(20)), 1);
    EXPECT_EQ(test::ReadBytes(DbFolder() / "NetDB.na"), before);
    EXPECT_EQ(world.nodeList.Display().Cell(0, NODE_COL_UPDATED), "yesterday");

    world.StartRun(2, {});
    EXPECT_EQ(world.Probe(At(20)), 2);
    NodeRecord down;
    world.nodes.FindNodeByIp(At(20), down);
    EXPECT_EQ(down.detected, "2005-4-1 9:00");
    EXPECT_EQ(down.updated, "2005/04/01 10:02:00");
    EXPECT_TRUE(world.nodeList.At(0)->updated.When().has_value());
    EXPECT_FALSE(world.nodeList.At(0)->detected.When().has_value());
}

TEST(NodeSearcher, EventsRowsAndRecordsOfEachChange) {
    const Host N20{At(20), Mac(1)};
    struct Case {
        const char* name;
        Options options;
        std::vector<SearchRun> runs;
        Texts rows;
        Texts records;
        Texts backups = {};
        std::string lastPrevMac = "-";
    };
    const Case cases[] = {
        {"new host",
         {},
         {{{N20}, {20}, {1}, {"NEW .20"}}},
         {"pc20 .20 M1 st=. d1 u1 on"},
         {".20 M1 s1 pc20 d1 u1 m1 b0"}},
        {"new host without a name",
         {.wins = 0},
         {{{N20}, {20}, {1}, {"NEW .20"}}},
         {"192.168.0.20 .20 M1 st=. d1 u1 on"},
         {".20 M1 s1 192.168.0.20 d1 u1 m1 b0"}},
        {"same host again",
         {},
         {{{N20}, {20}, {1}, {"NEW .20"}}, {{N20}, {20}, {1}, {}}},
         {"pc20 .20 M1 st=. d1 u1 on"},
         {".20 M1 s1 pc20 d1 u1 m1 b0"}},
        {"host stops, stays away and comes back",
         {},
         {{{N20}, {20}, {1}, {"NEW .20"}},
          {{}, {20}, {2}, {"DOWN .20"}},
          {{}, {20}, {2}, {}},
          {{N20}, {20}, {1}, {"UP .20"}}},
         {"pc20 .20 M1 st=. d1 u4 on"},
         {".20 M1 s1 pc20 d1 u4 m1 b0"}},
        {"host stops",
         {},
         {{{N20}, {20}, {1}, {"NEW .20"}}, {{}, {20}, {2}, {"DOWN .20"}}},
         {"pc20 .20 M1 st=- d1 u2 on"},
         {".20 M1 s2 pc20 d1 u2 m1 b0"}},
        {"host stops with NODEDISP",
         {.nodedisp = 1},
         {{{N20}, {20}, {1}, {"NEW .20"}}, {{}, {20}, {2}, {"DOWN .20"}}},
         {},
         {}},
        {"sniffing host under PROMISS 7",
         {},
         {{{{At(31), Mac(2), ALL_TESTS}}, {31}, {1}, {"NEW .31", "SNIFF .31"}},
          {{{At(31), Mac(2), ALL_TESTS}}, {31}, {1}, {}}},
         {"pc31 .31 M2 st=x d1 u1 on B47 B16 B8"},
         {".31 M2 s1 pc31 d1 u1 m1 b7"}},
        {"sniffing host under PROMISS 0",
         {.promiss = 0},
         {{{{At(31), Mac(2), ALL_TESTS}}, {31}, {1}, {"NEW .31"}}},
         {"pc31 .31 M2 st=. d1 u1 on B47 B16 B8"},
         {".31 M2 s1 pc31 d1 u1 m1 b7"}},
        {"answers go from all tests to none",
         {},
         {{{{At(31), Mac(2), ALL_TESTS}}, {31}, {1}, {"NEW .31", "SNIFF .31"}},
          {{{At(31), Mac(2), 0}}, {31}, {1}, {}}},
         {"pc31 .31 M2 st=. d1 u2 on"},
         {".31 M2 s1 pc31 d1 u2 m1 b0"}},
        {"partial answers become all answers",
         {},
         {{{{At(41), Mac(3), TEST_B47 | TEST_B16}}, {41}, {1}, {"NEW .41"}},
          {{{At(41), Mac(3), ALL_TESTS}}, {41}, {1}, {"SNIFF .41"}}},
         {"pc41 .41 M3 st=x d1 u2 on B47 B16 B8"},
         {".41 M3 s1 pc41 d1 u2 m1 b7"}},
        {"host moves from .20 to .30, .20 probed first",
         {},
         {{{N20}, {20}, {1}, {"NEW .20"}}, {{{At(30), Mac(1)}}, {20, 30}, {2, 1}, {"DOWN .20"}}},
         {"pc20 .30 M1 st=. d1 u2 on"},
         {".30 M1 s1 pc20 d1 u2 m1 b0"}},
        {"host moves from .20 to .30, only .30 probed",
         {},
         {{{N20}, {20}, {1}, {"NEW .20"}}, {{{At(30), Mac(1)}}, {30}, {1}, {}}},
         {"pc20 .30 M1 st=. d1 u1 on"},
         {".30 M1 s1 pc20 d1 u1 m1 b0"}},
        {"same MAC still answering at the old address",
         {},
         {{{N20}, {20}, {1}, {"NEW .20"}}, {{N20, {At(30), Mac(1)}}, {30}, {1}, {}}},
         {"pc20 .20 M1 st=. d1 u1 on"},
         {".20 M1 s1 pc20 d1 u1 m1 b0"}},
        {"another MAC at a known address",
         {},
         {{{{At(40), Mac(1)}}, {40}, {1}, {"NEW .40"}}, {{{At(40), Mac(3)}}, {40}, {1}, {}}},
         {"pc40 .40 M3 st=. d1 u1 on"},
         {".40 M3 s1 pc40 d1 u1 m1 b0"},
         {},
         "M1"},
        {"own address",
         {},
         {{{}, {10}, {1}, {}}, {{}, {10}, {1}, {}}},
         {"pc10 .10 OWN st=. d1 u1 on"},
         {".10 OWN s1 pc10 d1 u1 m1 b0"}},
        {"node displaced by a moved node, then taken back elsewhere",
         {},
         {{{N20, {At(30), Mac(2)}}, {20, 30}, {1, 1}, {"NEW .20", "NEW .30"}},
          {{{At(20), Mac(2)}}, {20}, {1}, {}},
          {{{At(20), Mac(2)}, {At(50), Mac(1)}}, {50}, {1}, {}}},
         {"pc30 .20 M2 st=. d1 u1 on", "pc20 .50 M1 st=. d1 u3 on"},
         {".20 M2 s1 pc30 d1 u1 m1 b0", ".50 M1 s1 pc20 d1 u3 m1 b0"}},
        // The node displaced from .20 gets .20 back with its own record and label.
        {"displaced node returns to its address",
         {},
         {{{N20, {At(30), Mac(2)}}, {20, 30}, {1, 1}, {"NEW .20", "NEW .30"}},
          {{{At(20), Mac(2)}}, {20}, {1}, {}},
          {{N20, {At(30), Mac(2)}}, {20, 30}, {1, 1}, {}}},
         {"pc20 .20 M1 st=. d1 u3 on", "pc30 .30 M2 st=. d1 u3 on"},
         {".20 M1 s1 pc20 d1 u3 m1 b0", ".30 M2 s1 pc30 d1 u3 m1 b0"}},
        {"two nodes swap addresses",
         {},
         {{{N20, {At(30), Mac(2)}}, {20, 30}, {1, 1}, {"NEW .20", "NEW .30"}},
          {{{At(20), Mac(2)}, {At(30), Mac(1)}}, {20, 30}, {1, 1}, {}}},
         {"pc20 .30 M1 st=. d1 u1 on", "pc30 .20 M2 st=. d1 u1 on"},
         {".20 M2 s1 pc30 d1 u1 m1 b0", ".30 M1 s1 pc20 d1 u1 m1 b0"}},
    };
    // Each case once address by address and once with every run's addresses probed as one
    // block before their steps: the decisions must not tell the two apart.
    for (const auto& [c, batched] : [&] {
             std::vector<std::pair<Case, bool>> both;
             for (const auto& c : cases) {
                 both.emplace_back(c, false);
                 both.emplace_back(c, true);
             }
             return both;
         }()) {
        SCOPED_TRACE(std::string(c.name) + (batched ? " (block)" : ""));
        World world(c.options);
        RunSearches(world, c.runs, batched);
        EXPECT_EQ(world.Rows(), c.rows);
        EXPECT_EQ(world.Records(), c.records);
        EXPECT_EQ(world.Backups(), c.backups);
        EXPECT_EQ(Short(world.last.prevMac), c.lastPrevMac);
        EXPECT_EQ(world.h.eventLogList.RowCount(), [&] {
            std::size_t events = 0;
            for (const auto& run : c.runs) {
                events += run.events.size();
            }
            return static_cast<int>(events);
        }());
        EXPECT_TRUE(world.h.errorLog.Lines().empty());
        EXPECT_TRUE(world.h.prompt.Boxes().empty());
    }
}

TEST(NodeSearcher, AddressAndDeviceChangesAreRaisedWhenTheirKindsAreEnabled) {
    const Host N20{At(20), Mac(1)};
    const Host N30{At(30), Mac(2)};
    const Options on{.changeKinds = true};
    struct Case {
        const char* name;
        std::vector<SearchRun> runs;
    };
    const Case cases[] = {
        {"host moves from .20 to .30, only .30 probed",
         {{{N20}, {20}, {1}, {"NEW .20"}},
          {{{At(30), Mac(1)}}, {30}, {1}, {"MOVED .30 pc20（変更前のIPアドレス：192.168.0.20）"}}}},
        {"host moves from .20 to .30, .20 probed first",
         {{{N20}, {20}, {1}, {"NEW .20"}},
          {{{At(30), Mac(1)}},
           {20, 30},
           {2, 1},
           {"DOWN .20", "MOVED .30 pc20（変更前のIPアドレス：192.168.0.20）"}}}},
        {"same MAC still answering at the old address",
         {{{N20}, {20}, {1}, {"NEW .20"}}, {{N20, {At(30), Mac(1)}}, {30}, {1}, {}}}},
        {"another MAC at a known address",
         {{{{At(40), Mac(1)}}, {40}, {1}, {"NEW .40"}},
          {{{At(40), Mac(3)}},
           {40},
           {1},
           {"DEVICE .40 pc40（変更前のMACアドレス：02-00-00-00-00-01）"}}}},
        {"another MAC at an address that was down",
         {{{{At(40), Mac(1)}}, {40}, {1}, {"NEW .40"}},
          {{}, {40}, {2}, {"DOWN .40"}},
          {{{At(40), Mac(3)}},
           {40},
           {1},
           {"UP .40", "DEVICE .40 pc40（変更前のMACアドレス：02-00-00-00-00-01）"}}}},
        {"sniffing host takes over a known address",
         {{{{At(40), Mac(1)}}, {40}, {1}, {"NEW .40"}},
          {{{At(40), Mac(3), ALL_TESTS}},
           {40},
           {1},
           {"DEVICE .40 pc40（変更前のMACアドレス：02-00-00-00-00-01）", "SNIFF .40"}}}},
        {"node displaced by a moved node, then back at its own address",
         {{{N20, N30}, {20, 30}, {1, 1}, {"NEW .20", "NEW .30"}},
          {{{At(20), Mac(2)}}, {20}, {1}, {"MOVED .20 pc30（変更前のIPアドレス：192.168.0.30）"}},
          {{N20, N30}, {20, 30}, {1, 1}, {"MOVED .30 pc30（変更前のIPアドレス：192.168.0.20）"}}}},
        {"two nodes swap addresses",
         {{{N20, N30}, {20, 30}, {1, 1}, {"NEW .20", "NEW .30"}},
          {{{At(20), Mac(2)}, {At(30), Mac(1)}},
           {20, 30},
           {1, 1},
           {"MOVED .30 pc20（変更前のIPアドレス：192.168.0.20）",
            "MOVED .20 pc30（変更前のIPアドレス：192.168.0.30）"}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        World world(on);
        RunSearches(world, c.runs);
        EXPECT_TRUE(world.h.errorLog.Lines().empty());
    }
}

TEST(NodeSearcher, ChangeEventsTellThePreviousAddressOrMacInTheEventLog) {
    World world({.changeKinds = true});
    world.StartRun(1, {{At(20), Mac(1)}, {At(40), Mac(2)}});
    world.Probe(At(20));
    world.Probe(At(40));
    world.StartRun(2, {{At(30), Mac(1)}, {At(40), Mac(3)}});
    world.Probe(At(30));
    world.Probe(At(40));

    Texts log;
    for (const auto& row : world.h.eventLogList.Snapshot()) {
        log.push_back(std::to_string(row.image) + " " + row.cells[2] + " " +
                      Cp932ToUtf8Lossy(row.cells[4]));
    }
    EXPECT_EQ(log, (Texts{"0 192.168.0.20 pc20", "0 192.168.0.40 pc40",
                          "4 192.168.0.30 pc20（変更前のIPアドレス：192.168.0.20）",
                          "5 192.168.0.40 pc40（変更前のMACアドレス：02-00-00-00-00-02）"}));
}

TEST(NodeSearcher, BlockOutcomeServesItsAddressOnceAndOnlyWithItsAttempts) {
    World world;
    world.StartRun(1, {{At(20), Mac(1)}, {At(30), Mac(2)}});
    const std::vector<SweepTarget> block{{At(20), 1}, {At(30), 1}, {At(40), 1}};
    world.searcher.ProbeBlock(block);
    // Three broadcast requests, then each fake destination to the two that answered.
    EXPECT_EQ(world.segment.Requests(), 3 + 3 * 2);
    EXPECT_TRUE(world.searcher.HasOutcome(At(20), 1));
    EXPECT_FALSE(world.searcher.HasOutcome(At(20), 4));

    // The presence reply named the MAC: no request of its own, no MAC look-up.
    const int before = world.segment.Requests();
    EXPECT_EQ(world.Probe(At(20)), 1);
    EXPECT_EQ(world.Probe(At(40)), 2);
    EXPECT_EQ(world.segment.Requests(), before);
    EXPECT_FALSE(world.searcher.HasOutcome(At(20), 1));
    EXPECT_EQ(world.Rows(), Texts{"pc20 .20 M1 st=. d1 u1 on"});

    // Asked with other attempts than the block's, the address is probed on its own.
    NodeRecord record;
    EXPECT_EQ(world.searcher.ProbeAndUpdate(At(30), 4, record), ProbeResult::Present);
    EXPECT_GT(world.segment.Requests(), before);
    EXPECT_FALSE(world.searcher.HasOutcome(At(30), 1));
    EXPECT_EQ(Short(record.mac), "M2");
}

TEST(NodeSearcher, UnknownMacMatchesNoDisplacedNode) {
    World world;
    NodeRecord ghost;
    ghost.ip = At(60);
    ghost.label = "ghost";
    ghost.status = NODE_UP;
    ASSERT_EQ(world.nodes.PutBackupNode(ghost), PUT_APPENDED);
    // A backup record without a MAC is no match for a node whose MAC came with its reply
    // (a reply from an all-zero MAC is no reply at all).
    const Ipv4 outside = MakeIp(192, 168, 1, 5);
    world.StartRun(1, {{outside, Mac(9)}});
    EXPECT_EQ(world.Probe(outside), 1);
    EXPECT_EQ(world.Events(), Texts{"NEW .5"});
    world.StartRun(2, {{outside, {}}});
    EXPECT_EQ(world.Probe(outside), 2);
    EXPECT_EQ(world.Events(), Texts{"DOWN .5"});
    NodeRecord stillThere;
    EXPECT_EQ(world.nodes.FindBackupByMac(MacAddress{}, stillThere), 0);
    EXPECT_EQ(stillThere.label, "ghost");
}

TEST(NodeSearcher, RowShowsTheSearchWhileItsAddressIsProbed) {
    World world;
    world.StartRun(1, {{At(20), Mac(1)}});
    ASSERT_EQ(world.Probe(At(20)), 1);
    std::vector<std::string> marks;
    world.banner.onChange = [&] {
        marks.push_back(world.nodeList.Display().Cell(0, NODE_COL_MONITOR));
    };
    ASSERT_EQ(world.Probe(At(20)), 1);
    world.banner.onChange = nullptr;
    // The banner names the address searched, then shows the summary again.
    const auto texts = world.banner.Texts();
    EXPECT_EQ(Texts(texts.end() - 2, texts.end()),
              (Texts{Sjis("【ノード検索】 192.168.0.20 検索中 . . ."), "<summary>"}));
    EXPECT_EQ(marks, Texts(2, SearchingText()));
    EXPECT_EQ(world.nodeList.Display().Cell(0, NODE_COL_MONITOR), "");
}

// Neither a driver error nor a stop that cut the windows says anything about the node: it
// keeps its record, row and store state, and raises nothing (it went down meanwhile, which a
// verdict taken from a cut window would report).
TEST(NodeSearcher, UnprobedAddressLeavesRecordStoreAndRowAsTheyWere) {
    using LogLines = std::vector<std::pair<std::string, std::string>>;
    const struct Case {
        const char* name;
        bool stop;       // a stop request is pending, else every read fails
        bool asOfBlock;  // probed in a block before its step, else on its own
        ProbeResult result;
        LogLines log;
    } cases[] = {
        {"driver error",
         false,
         false,
         ProbeResult::Failed,
         {{"netmond", "PacketReceivePacket error"}}},
        {"stop, probed on its own", true, false, ProbeResult::Cut, {}},
        {"stop, probed in a block", true, true, ProbeResult::Cut, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World world;
        world.StartRun(1, {{At(20), Mac(1)}, {At(30), Mac(2)}});
        ASSERT_EQ(world.Probe(At(20)), 1);
        ASSERT_EQ(world.Probe(At(30)), 1);
        const Texts rows = world.Rows();
        const Texts records = world.Records();

        world.StartRun(2, {{At(30), Mac(2)}});
        std::atomic<int> stop{c.stop ? 1 : 0};
        world.searcher.SetStop(&stop);
        if (!c.stop) {
            world.segment.FailReads();
        }
        NodeRecord record;
        const int attempts = world.AttemptsFor(At(20), record);
        if (c.asOfBlock) {
            world.ProbeBlock({20, 30});
        }
        const NodeRecord before = record;
        EXPECT_EQ(world.searcher.ProbeAndUpdate(At(20), attempts, record), c.result);
        EXPECT_EQ(record, before);
        EXPECT_EQ(world.Rows(), rows);
        EXPECT_EQ(world.Records(), records);
        EXPECT_EQ(world.Events(), Texts{});
        EXPECT_EQ(world.nodeList.Display().FindRow(NODE_COL_MONITOR, SearchingText()), -1);
        EXPECT_EQ(world.banner.Texts().back(), Sjis("【ノード検索】 192.168.0.20 検索中 . . ."));
        EXPECT_EQ(world.h.errorLog.Lines(), c.log);
    }
}

}  // namespace
}  // namespace halvera
