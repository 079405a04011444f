#include "net/node_verdict.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/sniff_criterion.h"

namespace halvera {
namespace {

Ipv4 At(int last) {
    return MakeIp(192, 168, 0, last);
}
MacAddress Mac(int n) {
    return {0x02, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(n)};
}
const Ipv4 OWN = At(10);
const MacAddress OWN_MAC{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
constexpr TestBits ALL_TESTS = TEST_B47 | TEST_B16 | TEST_B8;

// What the segment and the store answer: ARP by address, displaced and stored nodes by MAC.
struct Answers {
    std::map<Ipv4, MacAddress> arp = {};
    std::map<MacAddress, NodeRecord> displaced = {};
    std::map<MacAddress, NodeRecord> stored = {};
};

// The look-ups from tables; anything the decision asks that a table lacks has no answer.
class TableLookups : public NodeLookups {
  public:
    explicit TableLookups(Answers answers) : m_answers(std::move(answers)) {}

    std::optional<MacAddress> MacAt(Ipv4 ip) override {
        const auto found = m_answers.arp.find(ip);
        return found == m_answers.arp.end() ? std::nullopt : std::optional(found->second);
    }
    std::optional<NodeRecord> DisplacedWithMac(const MacAddress& mac) override {
        const auto found = m_answers.displaced.find(mac);
        return found == m_answers.displaced.end() ? std::nullopt : std::optional(found->second);
    }
    std::optional<NodeRecord> StoredWithMacElsewhere(const MacAddress& mac, Ipv4 except) override {
        const auto found = m_answers.stored.find(mac);
        if (found == m_answers.stored.end() || found->second.ip == except) {
            return std::nullopt;
        }
        return found->second;
    }

  private:
    Answers m_answers;
};

NodeRecord Node(int last, int mac, std::int8_t status, const char* label = "node",
                TestBits bits = 0) {
    NodeRecord record;
    record.ip = At(last);
    record.mac = mac != 0 ? Mac(mac) : MacAddress{};
    record.status = status;
    record.label = label;
    record.testBits = bits;
    return record;
}

SweepOutcome Answer(int mac, TestBits bits = 0) {
    return {1, bits, Mac(mac)};
}
// An answer from ProbeNode, which does not keep the reply's MAC.
SweepOutcome AnswerWithoutMac(TestBits bits = 0) {
    return {1, bits, std::nullopt};
}
const SweepOutcome SILENT{2, 0, std::nullopt};

std::string Names(const std::vector<NodeChange>& changes) {
    static const std::map<NodeChange, std::string> names = {
        {NodeChange::New, "new"},
        {NodeChange::Up, "up"},
        {NodeChange::Down, "down"},
        {NodeChange::StillThere, "still there"},
        {NodeChange::Moved, "moved"},
        {NodeChange::DeviceChanged, "device changed"},
        {NodeChange::SniffingFound, "sniffing found"},
        {NodeChange::SniffingCleared, "sniffing cleared"}};
    std::string text;
    for (NodeChange change : changes) {
        text += (text.empty() ? "" : ", ") + names.at(change);
    }
    return text;
}

// Every path of the node update: the stored record at the probed address, the probe's
// outcome and what the segment and the store answer, against the changes, the source of the
// record and the record's address, previous address, MAC, previous MAC, label, status,
// monitor flag and test bits.
TEST(NodeVerdict, DecidesEveryPathOfTheNodeUpdate) {
    struct Case {
        const char* name;
        NodeRecord stored;
        Ipv4 address;
        SweepOutcome outcome;
        Answers answers;
        std::string changes;
        RecordSource source;
        bool displaces;
        // Expected record fields.
        Ipv4 prevIp;
        MacAddress mac;
        MacAddress prevMac;
        std::string label;
        std::int8_t status;
        std::uint32_t monitor;
        TestBits bits;
    };
    const NodeRecord NONE{};
    const Case cases[] = {
        {"silent, never seen",
         NONE,
         At(20),
         SILENT,
         {},
         "",
         RecordSource::Address,
         false,
         0,
         {},
         {},
         "",
         NODE_DOWN,
         0,
         0},
        {"silent, down before",
         Node(20, 1, NODE_DOWN),
         At(20),
         SILENT,
         {},
         "",
         RecordSource::Address,
         false,
         0,
         Mac(1),
         {},
         "node",
         NODE_DOWN,
         0,
         0},
        {"silent, up before",
         Node(20, 1, NODE_UP, "node", TEST_B8),
         At(20),
         SILENT,
         {},
         "down",
         RecordSource::Address,
         false,
         0,
         Mac(1),
         {},
         "node",
         NODE_DOWN,
         0,
         TEST_B8},
        {"new node with the reply's MAC",
         NONE,
         At(20),
         Answer(1, TEST_B16),
         {},
         "new",
         RecordSource::Address,
         false,
         0,
         Mac(1),
         {},
         "",
         NODE_UP,
         1,
         TEST_B16},
        {"new node, MAC by ARP",
         NONE,
         At(20),
         AnswerWithoutMac(),
         {.arp = {{At(20), Mac(1)}}},
         "new",
         RecordSource::Address,
         false,
         0,
         Mac(1),
         {},
         "",
         NODE_UP,
         1,
         0},
        {"new node that ARP does not name",
         NONE,
         At(20),
         AnswerWithoutMac(),
         {},
         "new",
         RecordSource::Address,
         false,
         0,
         {},
         {},
         "",
         NODE_UP,
         1,
         0},
        {"up again",
         Node(20, 1, NODE_DOWN),
         At(20),
         Answer(1),
         {},
         "up",
         RecordSource::Address,
         false,
         0,
         Mac(1),
         {},
         "node",
         NODE_UP,
         0,
         0},
        {"still there",
         Node(20, 1, NODE_UP),
         At(20),
         Answer(1),
         {},
         "still there",
         RecordSource::Address,
         false,
         0,
         Mac(1),
         {},
         "node",
         NODE_UP,
         0,
         0},
        {"stored without a MAC, answers with one",
         Node(20, 0, NODE_UP),
         At(20),
         Answer(1),
         {},
         "still there",
         RecordSource::Address,
         false,
         0,
         Mac(1),
         {},
         "node",
         NODE_UP,
         0,
         0},
        {"another device at an up address",
         Node(20, 1, NODE_UP),
         At(20),
         Answer(3),
         {},
         "still there, device changed",
         RecordSource::Address,
         false,
         0,
         Mac(3),
         Mac(1),
         "node",
         NODE_UP,
         0,
         0},
        {"another device at a down address",
         Node(20, 1, NODE_DOWN),
         At(20),
         Answer(3),
         {},
         "up, device changed",
         RecordSource::Address,
         false,
         0,
         Mac(3),
         Mac(1),
         "node",
         NODE_UP,
         0,
         0},
        {"own address silent",
         NONE,
         OWN,
         SILENT,
         {.arp = {{OWN, OWN_MAC}}},
         "new",
         RecordSource::Address,
         false,
         0,
         OWN_MAC,
         {},
         "",
         NODE_UP,
         1,
         0},
        {"own address keeps the own MAC over a claiming station",
         Node(10, 0, NODE_UP),
         OWN,
         Answer(4, TEST_B47),
         {.arp = {{OWN, OWN_MAC}}},
         "still there",
         RecordSource::Address,
         false,
         0,
         OWN_MAC,
         {},
         "node",
         NODE_UP,
         0,
         TEST_B47},
        {"moved here from .30, which no longer answers with it",
         NONE,
         At(20),
         Answer(2),
         {.stored = {{Mac(2), Node(30, 2, NODE_UP, "mover")}}},
         "still there, moved",
         RecordSource::Stored,
         false,
         At(30),
         Mac(2),
         {},
         "mover",
         NODE_UP,
         1,
         0},
        {"moved here from a down .30",
         NONE,
         At(20),
         Answer(2),
         {.arp = {{At(30), Mac(5)}}, .stored = {{Mac(2), Node(30, 2, NODE_DOWN, "mover")}}},
         "still there, moved",
         RecordSource::Stored,
         false,
         At(30),
         Mac(2),
         {},
         "mover",
         NODE_UP,
         1,
         0},
        {"moved onto the address of another stored node",
         Node(20, 1, NODE_UP, "old"),
         At(20),
         Answer(2),
         {.stored = {{Mac(2), Node(30, 2, NODE_UP, "mover")}}},
         "still there, moved",
         RecordSource::Stored,
         true,
         At(30),
         Mac(2),
         {},
         "mover",
         NODE_UP,
         0,
         0},
        {"the MAC still answers at its stored address",
         Node(20, 1, NODE_UP, "old"),
         At(20),
         Answer(2),
         {.arp = {{At(30), Mac(2)}}, .stored = {{Mac(2), Node(30, 2, NODE_UP, "mover")}}},
         "",
         RecordSource::Elsewhere,
         false,
         0,
         Mac(2),
         {},
         "old",
         NODE_UP,
         0,
         0},
        {"displaced node answers at another address",
         NONE,
         At(50),
         Answer(1),
         {.displaced = {{Mac(1), Node(20, 1, NODE_UP, "back")}}},
         "still there, moved",
         RecordSource::Displaced,
         false,
         At(20),
         Mac(1),
         {},
         "back",
         NODE_UP,
         1,
         0},
        {"displaced node back at its own address",
         Node(20, 2, NODE_UP, "taker"),
         At(20),
         Answer(1),
         {.displaced = {{Mac(1), Node(20, 1, NODE_UP, "back")}}},
         "still there",
         RecordSource::Displaced,
         true,
         0,
         Mac(1),
         {},
         "back",
         NODE_UP,
         0,
         0},
        {"a displaced record wins over a stored one",
         NONE,
         At(50),
         Answer(1),
         {.displaced = {{Mac(1), Node(20, 1, NODE_UP, "back")}},
          .stored = {{Mac(1), Node(30, 1, NODE_UP, "other")}}},
         "still there, moved",
         RecordSource::Displaced,
         false,
         At(20),
         Mac(1),
         {},
         "back",
         NODE_UP,
         1,
         0},
        {"an unknown MAC is never looked up elsewhere",
         Node(20, 0, NODE_UP),
         At(20),
         AnswerWithoutMac(),
         {.stored = {{MacAddress{}, Node(30, 0, NODE_UP, "zero")}}},
         "still there",
         RecordSource::Address,
         false,
         0,
         {},
         {},
         "node",
         NODE_UP,
         0,
         0},
        {"sniffing node found new",
         NONE,
         At(20),
         Answer(1, ALL_TESTS),
         {},
         "new, sniffing found",
         RecordSource::Address,
         false,
         0,
         Mac(1),
         {},
         "",
         NODE_UP,
         1,
         ALL_TESTS},
        {"sniffing node stays one",
         Node(20, 1, NODE_UP, "node", ALL_TESTS),
         At(20),
         Answer(1, ALL_TESTS),
         {},
         "still there",
         RecordSource::Address,
         false,
         0,
         Mac(1),
         {},
         "node",
         NODE_UP,
         0,
         ALL_TESTS},
        {"sniffing node stops",
         Node(20, 1, NODE_UP, "node", ALL_TESTS),
         At(20),
         Answer(1),
         {},
         "still there, sniffing cleared",
         RecordSource::Address,
         false,
         0,
         Mac(1),
         {},
         "node",
         NODE_UP,
         0,
         0},
        {"sniffing node up again with the same bits",
         Node(20, 1, NODE_DOWN, "node", ALL_TESTS),
         At(20),
         Answer(1, ALL_TESTS),
         {},
         "up",
         RecordSource::Address,
         false,
         0,
         Mac(1),
         {},
         "node",
         NODE_UP,
         0,
         ALL_TESTS},
        {"moved node compared with its own bits",
         NONE,
         At(20),
         Answer(2, ALL_TESTS),
         {.stored = {{Mac(2), Node(30, 2, NODE_UP, "mover", ALL_TESTS)}}},
         "still there, moved",
         RecordSource::Stored,
         false,
         At(30),
         Mac(2),
         {},
         "mover",
         NODE_UP,
         1,
         ALL_TESTS},
        {"sniffing device takes over an address",
         Node(20, 1, NODE_UP),
         At(20),
         Answer(3, ALL_TESTS),
         {},
         "still there, device changed, sniffing found",
         RecordSource::Address,
         false,
         0,
         Mac(3),
         Mac(1),
         "node",
         NODE_UP,
         0,
         ALL_TESTS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableLookups lookups(c.answers);
        const NodeVerdict verdict = Decide(c.stored, c.address, c.outcome,
                                           {OWN, PROMISS_B47 | PROMISS_B16 | PROMISS_B8}, lookups);
        EXPECT_EQ(Names(verdict.changes), c.changes);
        EXPECT_EQ(verdict.source, c.source);
        EXPECT_EQ(verdict.displacesStored, c.displaces);
        const NodeRecord& r = verdict.record;
        EXPECT_EQ(FormatIp(r.ip), FormatIp(c.address));
        EXPECT_EQ(FormatIp(r.prevIp), FormatIp(c.prevIp));
        EXPECT_EQ(FormatMac(r.mac), FormatMac(c.mac));
        EXPECT_EQ(FormatMac(r.prevMac), FormatMac(c.prevMac));
        EXPECT_EQ(r.label, c.label);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.monitor, c.monitor);
        EXPECT_EQ(r.testBits, c.bits);
    }
}

// The sniffing bits under each PROMISS: a node up before with `before`, answering the tests
// `now`. Found when the bits changed and now meet PROMISS; cleared when they met it before
// and no longer do.
TEST(NodeVerdict, SniffingUnderEachPromiss) {
    struct Case {
        std::int32_t promiss;
        TestBits before;
        TestBits now;
        std::string changes;
    };
    const std::string STILL = "still there";
    const std::string FOUND = "still there, sniffing found";
    const std::string CLEARED = "still there, sniffing cleared";
    const Case cases[] = {
        {0, 0, ALL_TESTS, STILL},
        {0, ALL_TESTS, 0, STILL},
        {PROMISS_B47, 0, TEST_B47, FOUND},
        {PROMISS_B47, 0, TEST_B16 | TEST_B8, STILL},
        {PROMISS_B47, TEST_B47, TEST_B47 | TEST_B8, FOUND},
        {PROMISS_B47, TEST_B47, TEST_B47, STILL},
        {PROMISS_B47, TEST_B47, TEST_B16, CLEARED},
        {PROMISS_B16, 0, TEST_B16, FOUND},
        {PROMISS_B16, TEST_B16, TEST_B47, CLEARED},
        {PROMISS_B8, 0, TEST_B8, FOUND},
        {PROMISS_B8, 0, TEST_B47 | TEST_B16, STILL},
        {PROMISS_B47 | PROMISS_B16, 0, TEST_B47, STILL},
        {PROMISS_B47 | PROMISS_B16, TEST_B47, TEST_B47 | TEST_B16, FOUND},
        {PROMISS_B47 | PROMISS_B16 | PROMISS_B8, TEST_B47 | TEST_B16, ALL_TESTS, FOUND},
        {PROMISS_B47 | PROMISS_B16 | PROMISS_B8, ALL_TESTS, TEST_B47 | TEST_B16, CLEARED},
        {PROMISS_ANY, 0, TEST_B8, FOUND},
        {PROMISS_ANY, TEST_B8, TEST_B16, FOUND},
        {PROMISS_ANY, TEST_B8, 0, CLEARED},
        // "Any" keeps the earlier test bits beside it; they no longer count.
        {PROMISS_ANY | PROMISS_B47 | PROMISS_B16, 0, TEST_B8, FOUND},
        // A stored bit that is never tested does not make every node a sniffing node.
        {PROMISS_GR, 0, ALL_TESTS, STILL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("PROMISS " + std::to_string(c.promiss) + ", bits " + std::to_string(c.before) +
                     " -> " + std::to_string(c.now));
        TableLookups lookups({});
        const NodeVerdict verdict = Decide(Node(20, 1, NODE_UP, "node", c.before), At(20),
                                           Answer(1, c.now), {OWN, c.promiss}, lookups);
        EXPECT_EQ(Names(verdict.changes), c.changes);
        EXPECT_EQ(verdict.record.testBits, c.now);
    }
}

}  // namespace
}  // namespace halvera
