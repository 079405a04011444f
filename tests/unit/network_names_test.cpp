#include "net/network_names.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "base/text_codec.h"
#include "net/udp_socket.h"
#include "support/memory_name_book.h"

namespace halvera {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Micros = std::chrono::microseconds;

// A node status reply naming one computer and workgroup.
Bytes NodeStatusReplyBytes(std::uint16_t id, const std::string& computer,
                           const std::string& workgroup) {
    Bytes reply = {static_cast<std::uint8_t>(id >> 8),
                   static_cast<std::uint8_t>(id),
                   0x84,
                   0x00,
                   0,
                   0,
                   0,
                   1,
                   0,
                   0,
                   0,
                   0};
    reply.push_back(32);
    reply.insert(reply.end(), {'C', 'K'});
    reply.insert(reply.end(), 30, 'A');
    reply.insert(reply.end(), {0, 0x00, 0x21, 0x00, 0x01, 0, 0, 0, 0});
    std::uint16_t length = 1 + 2 * 18;
    reply.insert(reply.end(),
                 {static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 2});
    for (const auto& [name, flags] : {std::pair(computer, 0x04), std::pair(workgroup, 0x84)}) {
        std::string padded = name;
        padded.resize(15, ' ');
        reply.insert(reply.end(), padded.begin(), padded.end());
        reply.insert(reply.end(), {0x00, static_cast<std::uint8_t>(flags), 0x00});
    }
    return reply;
}

std::uint16_t QueryIdOf(std::span<const std::uint8_t> query) {
    return static_cast<std::uint16_t>(query[0] << 8 | query[1]);
}

class FakeClock : public MonotonicClock {
  public:
    TimePoint Now() const override { return now; }
    TimePoint now{std::chrono::hours(1)};
};

// A network in fake time: records every query and delivers the replies the script answers
// with after their delays.
class ScriptedNetwork : public DatagramSocket {
  public:
    struct Sent {
        MonotonicClock::TimePoint at;
        Ipv4 ip;
        std::uint16_t port;
    };
    // Called for every query: the replies (delay, datagram) it causes.
    using Script =
        std::function<std::vector<std::pair<Micros, Datagram>>(Ipv4 ip, std::uint16_t id)>;

    ScriptedNetwork(FakeClock& clock, Script script) : m_clock(clock), m_script(script) {}

    bool SendTo(Ipv4 ip, std::uint16_t port, std::span<const std::uint8_t> bytes) override {
        EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), BuildNodeStatusQuery(QueryIdOf(bytes)));
        sent.push_back({m_clock.now, ip, port});
        for (auto& [delay, datagram] : m_script(ip, QueryIdOf(bytes))) {
            m_pending.emplace(m_clock.now + delay, std::move(datagram));
        }
        return true;
    }
    std::optional<Datagram> Receive(Micros timeout) override {
        EXPECT_GE(timeout.count(), 0);
        auto deadline = m_clock.now + timeout;
        if (m_pending.empty() || m_pending.begin()->first > deadline) {
            m_clock.now = deadline;
            return std::nullopt;
        }
        auto next = m_pending.begin();
        m_clock.now = std::max(m_clock.now, next->first);
        Datagram datagram = std::move(next->second);
        m_pending.erase(next);
        return datagram;
    }

    std::vector<Sent> sent;

  private:
    FakeClock& m_clock;
    Script m_script;
    std::multimap<MonotonicClock::TimePoint, Datagram> m_pending;
};

const Ipv4 OWN = MakeIp(192, 168, 0, 7);
const Ipv4 MASK_24 = MakeIp(255, 255, 255, 0);

ScriptedNetwork::Script Silent() {
    return [](Ipv4, std::uint16_t) { return std::vector<std::pair<Micros, Datagram>>{}; };
}

std::vector<Ipv4> SentAddresses(const ScriptedNetwork& network) {
    std::vector<Ipv4> addresses;
    for (const auto& s : network.sent) {
        addresses.push_back(s.ip);
    }
    return addresses;
}

TEST(EnumerateNetworkNames, QueriesEachAddressOfTheRangesInsideTheSubnetOnce) {
    std::vector<Ipv4> subnet24;
    for (int d = 1; d <= 254; ++d) {
        subnet24.push_back(MakeIp(192, 168, 0, d));
    }
    struct Case {
        const char* name;
        std::vector<NameQueryRange> ranges;
        Ipv4 mask;
        std::vector<Ipv4> expected;
    };
    const Case cases[] = {
        {"one_range",
         {{MakeIp(192, 168, 0, 10), MakeIp(192, 168, 0, 12)}},
         MASK_24,
         {MakeIp(192, 168, 0, 10), MakeIp(192, 168, 0, 11), MakeIp(192, 168, 0, 12)}},
        {"overlapping_ranges_merged",
         {{MakeIp(192, 168, 0, 11), MakeIp(192, 168, 0, 12)},
          {MakeIp(192, 168, 0, 10), MakeIp(192, 168, 0, 11)}},
         MASK_24,
         {MakeIp(192, 168, 0, 10), MakeIp(192, 168, 0, 11), MakeIp(192, 168, 0, 12)}},
        {"cut_to_the_subnet_without_its_edges",
         {{MakeIp(192, 167, 255, 250), MakeIp(192, 168, 1, 3)}},
         MASK_24,
         subnet24},
        {"outside_the_subnet", {{MakeIp(10, 0, 0, 1), MakeIp(10, 0, 0, 9)}}, MASK_24, {}},
        {"reversed_range", {{MakeIp(192, 168, 0, 9), MakeIp(192, 168, 0, 1)}}, MASK_24, {}},
        {"point_to_point_subnet",
         {{MakeIp(192, 168, 0, 0), MakeIp(192, 168, 0, 9)}},
         MakeIp(255, 255, 255, 254),
         {MakeIp(192, 168, 0, 6), MakeIp(192, 168, 0, 7)}},
        {"no_mask_spans_everything_but_the_edges",
         {{MakeIp(0, 0, 0, 0), MakeIp(0, 0, 0, 1)}, {MakeIp(255, 255, 255, 255), IP_NONE}},
         0,
         {MakeIp(0, 0, 0, 1)}},
    };
    for (const auto& c : cases) {
        FakeClock clock;
        ScriptedNetwork network(clock, Silent());
        test::MemoryNameBook book;
        EXPECT_EQ(EnumerateNetworkNames(c.ranges, OWN, c.mask, book, network, clock), 0) << c.name;
        EXPECT_EQ(SentAddresses(network), c.expected) << c.name;
        for (const auto& s : network.sent) {
            EXPECT_EQ(s.port, NETBIOS_NAME_PORT) << c.name;
        }
    }
}

TEST(EnumerateNetworkNames, SpreadsASlash16OverTimeAtTheSendRate) {
    FakeClock clock;
    ScriptedNetwork network(clock, Silent());
    test::MemoryNameBook book;
    NameQueryOptions options;
    options.sendRate = 2000;
    options.burst = 20;
    const std::vector<NameQueryRange> ranges = {{MakeIp(10, 1, 0, 0), MakeIp(10, 1, 255, 255)}};
    auto start = clock.now;
    EnumerateNetworkNames(ranges, MakeIp(10, 1, 2, 3), MakeIp(255, 255, 0, 0), book, network, clock,
                          options);

    ASSERT_EQ(network.sent.size(), 65534u);
    auto sent = SentAddresses(network);
    EXPECT_EQ(std::set<Ipv4>(sent.begin(), sent.end()).size(), 65534u);
    // At no moment have more than the burst plus the rate's share left.
    for (std::size_t i = 0; i < network.sent.size(); ++i) {
        auto elapsed = std::chrono::duration_cast<Micros>(network.sent[i].at - start).count();
        ASSERT_LE(static_cast<std::int64_t>(i + 1),
                  options.burst + elapsed * options.sendRate / 1'000'000)
            << "query " << i;
    }
    // And the walk did not idle either: the last query left when the rate allowed it.
    auto lastAt = network.sent.back().at - start;
    EXPECT_LE(lastAt, Micros((65534 - options.burst) * 1'000'000LL / options.sendRate + 1000));
    EXPECT_EQ(clock.now, network.sent.back().at + options.replyWait);
}

TEST(EnumerateNetworkNames, TakesRepliesUntilTheWaitAfterTheLastQuery) {
    const Ipv4 early = MakeIp(192, 168, 0, 1);
    const Ipv4 inTime = MakeIp(192, 168, 0, 2);
    const Ipv4 late = MakeIp(192, 168, 0, 3);
    NameQueryOptions options;
    options.burst = 3;
    // Half a second by default: a node on the segment answers within milliseconds.
    EXPECT_EQ(options.replyWait, 500ms);
    const std::map<Ipv4, Micros> delays = {
        {early, 10ms}, {inTime, options.replyWait - 1ms}, {late, options.replyWait + 1ms}};
    FakeClock clock;
    ScriptedNetwork network(clock, [&](Ipv4 ip, std::uint16_t id) {
        return std::vector<std::pair<Micros, Datagram>>{
            {delays.at(ip),
             Datagram{ip, NETBIOS_NAME_PORT, NodeStatusReplyBytes(id, FormatIp(ip), "WG")}}};
    });
    test::MemoryNameBook book;
    const std::vector<NameQueryRange> ranges = {{early, late}};
    EXPECT_EQ(EnumerateNetworkNames(ranges, OWN, MASK_24, book, network, clock, options), 2);
    EXPECT_EQ(book.Entries(),
              (std::map<Ipv4, test::MemoryNameBook::Names>{{early, {"192.168.0.1", "WG"}},
                                                           {inTime, {"192.168.0.2", "WG"}}}));
    EXPECT_EQ(clock.now, network.sent.back().at + options.replyWait);
}

TEST(EnumerateNetworkNames, EndsOnceEveryAddressAskedHasAnsweredOrRefused) {
    const Ipv4 named = MakeIp(192, 168, 0, 1);
    const Ipv4 closed = MakeIp(192, 168, 0, 2);
    struct Case {
        const char* name;
        bool closedRefuses;  // its name port answers with a port unreachable after 20 ms
        Micros lasts;        // after the last query
    };
    const Case cases[] = {
        {"one named, one refused", true, 20ms},
        {"one named, one silent", false, 500ms},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClock clock;
        ScriptedNetwork network(clock, [&](Ipv4 ip, std::uint16_t id) {
            std::vector<std::pair<Micros, Datagram>> replies;
            if (ip == named) {
                replies.push_back(
                    {10ms, Datagram{ip, NETBIOS_NAME_PORT, NodeStatusReplyBytes(id, "PC", "WG")}});
            } else if (c.closedRefuses) {
                Datagram refusal{ip, NETBIOS_NAME_PORT, {}};
                refusal.refused = true;
                replies.push_back({20ms, refusal});
            }
            return replies;
        });
        test::MemoryNameBook book;
        const std::vector<NameQueryRange> ranges = {{named, closed}};
        EXPECT_EQ(EnumerateNetworkNames(ranges, OWN, MASK_24, book, network, clock), 1);
        EXPECT_EQ(book.Entries().size(), 1u);
        EXPECT_EQ(clock.now, network.sent.back().at + c.lasts);
    }
}

TEST(UdpSocketTest, AClosedPortIsReportedAsARefusalFromItsAddress) {
    auto socket = UdpSocket::Open(MakeIp(127, 0, 0, 1), 0);
    ASSERT_TRUE(socket);
    // A port on a loopback address that nothing listens on: found by binding and closing.
    std::uint16_t closedPort = 0;
    {
        auto probe = UdpSocket::Open(MakeIp(127, 0, 0, 8), 0);
        ASSERT_TRUE(probe);
        closedPort = probe->LocalPort();
    }
    const Bytes query = BuildNodeStatusQuery(7);
    ASSERT_TRUE(socket->SendTo(MakeIp(127, 0, 0, 8), closedPort, query));
    const auto refusal = socket->Receive(5s);
    ASSERT_TRUE(refusal);
    EXPECT_TRUE(refusal->refused);
    EXPECT_EQ(refusal->ip, MakeIp(127, 0, 0, 8));
    EXPECT_EQ(refusal->port, closedPort);
    // The socket goes on sending after the refusal.
    EXPECT_TRUE(socket->SendTo(MakeIp(127, 0, 0, 8), closedPort, query));
}

TEST(EnumerateNetworkNames, IgnoresRepliesThatAreNoAnswerToItsQuery) {
    const Ipv4 node = MakeIp(192, 168, 0, 20);
    const Ipv4 stranger = MakeIp(192, 168, 0, 99);
    struct Case {
        const char* name;
        Ipv4 from;
        std::uint16_t port;
        std::uint16_t idChange;  // xor-ed into the query's id
        std::string computer;
        bool truncated;
        bool garbage;
        bool taken;
    };
    const Case cases[] = {
        {"answer", node, 137, 0, "PC", false, false, true},
        {"other_transaction", node, 137, 1, "PC", false, false, false},
        {"other_port", node, 138, 0, "PC", false, false, false},
        {"address_not_queried", stranger, 137, 0, "PC", false, false, false},
        {"truncated", node, 137, 0, "PC", true, false, false},
        {"garbage", node, 137, 0, "PC", false, true, false},
        {"no_computer_name", node, 137, 0, "", false, false, false},
    };
    for (const auto& c : cases) {
        FakeClock clock;
        ScriptedNetwork network(clock, [&](Ipv4, std::uint16_t id) {
            Bytes bytes = c.garbage
                              ? Bytes(40, 0xFF)
                              : NodeStatusReplyBytes(static_cast<std::uint16_t>(id ^ c.idChange),
                                                     c.computer, "WG");
            return std::vector<std::pair<Micros, Datagram>>{
                {5ms, Datagram{c.from, c.port, bytes, c.truncated}}};
        });
        test::MemoryNameBook book;
        const std::vector<NameQueryRange> ranges = {{node, node}};
        EXPECT_EQ(EnumerateNetworkNames(ranges, OWN, MASK_24, book, network, clock),
                  c.taken ? 1 : 0)
            << c.name;
        EXPECT_EQ(book.Entries().size(), c.taken ? 1u : 0u) << c.name;
    }
}

// Ids that followed from the address, or from one another, let a host that saw its own
// query answer for its neighbours.
TEST(EnumerateNetworkNames, AHostCannotAnswerForOthersFromTheIdOfItsOwnQuery) {
    const Ipv4 forger = MakeIp(192, 168, 0, 5);
    FakeClock clock;
    ScriptedNetwork network(clock, [&](Ipv4 ip, std::uint16_t id) {
        std::vector<std::pair<Micros, Datagram>> replies;
        if (ip != forger) {
            return replies;
        }
        for (int victim : {6, 7}) {
            // The id the victim's query would carry if ids were the address xor a salt.
            const auto guessed = static_cast<std::uint16_t>(id ^ 5 ^ victim);
            replies.push_back(
                {5ms, Datagram{MakeIp(192, 168, 0, victim), NETBIOS_NAME_PORT,
                               NodeStatusReplyBytes(guessed, "FORGED-NAME", "FORGEDWG")}});
        }
        return replies;
    });
    test::MemoryNameBook book;
    const std::vector<NameQueryRange> ranges = {{forger, MakeIp(192, 168, 0, 7)}};
    EXPECT_EQ(EnumerateNetworkNames(ranges, OWN, MASK_24, book, network, clock), 0);
    EXPECT_TRUE(book.Entries().empty());
}

TEST(EnumerateNetworkNames, StoresSafeNamesOncePerNode) {
    const Ipv4 node = MakeIp(192, 168, 0, 20);
    FakeClock clock;
    ScriptedNetwork network(clock, [&](Ipv4 ip, std::uint16_t id) {
        return std::vector<std::pair<Micros, Datagram>>{
            {5ms, Datagram{ip, 137, NodeStatusReplyBytes(id, "PC,1\xFF", Sjis("うみべ"))}},
            {6ms, Datagram{ip, 137, NodeStatusReplyBytes(id, "SECOND", "WG")}}};
    });
    test::MemoryNameBook book;
    const std::vector<NameQueryRange> ranges = {{node, node}};
    EXPECT_EQ(EnumerateNetworkNames(ranges, OWN, MASK_24, book, network, clock), 1);
    EXPECT_EQ(book.Entries(),
              (std::map<Ipv4, test::MemoryNameBook::Names>{{node, {"PC_1_", Sjis("うみべ")}}}));
    EXPECT_EQ(book.Puts(), 1);
}

// NetBIOS name servers on loopback addresses that answer from a script.
class LoopbackResponders {
  public:
    // What a node does with a query: the datagrams it sends back.
    using Answer = std::function<std::vector<Bytes>(std::uint16_t id)>;

    explicit LoopbackResponders(const std::map<Ipv4, Answer>& nodes) {
        // The first socket picks a free port; the others take the same port on their address.
        for (int attempt = 0; attempt < 20 && m_sockets.size() != nodes.size(); ++attempt) {
            m_sockets.clear();
            m_answers.clear();
            for (const auto& [ip, answer] : nodes) {
                auto socket = UdpSocket::Open(ip, port);
                if (!socket) {
                    break;
                }
                port = socket->LocalPort();
                m_sockets.push_back(std::move(socket));
                m_answers.push_back(answer);
            }
            if (m_sockets.size() != nodes.size()) {
                port = 0;
            }
        }
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackResponders() {
        m_stop = true;
        m_thread.join();
    }

    std::uint16_t port = 0;

  private:
    void Serve() {
        while (!m_stop) {
            for (std::size_t i = 0; i < m_sockets.size(); ++i) {
                auto query = m_sockets[i]->Receive(1ms);
                if (!query || query->bytes.size() < 2) {
                    continue;
                }
                for (const auto& reply : m_answers[i](QueryIdOf(query->bytes))) {
                    m_sockets[i]->SendTo(query->ip, query->port, reply);
                }
            }
        }
    }

    std::vector<std::unique_ptr<UdpSocket>> m_sockets;
    std::vector<Answer> m_answers;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

TEST(EnumerateNetworkNames, NamesTheNodesThatAnswerOnLoopback) {
    const Ipv4 pc = MakeIp(127, 0, 0, 2);
    const Ipv4 kana = MakeIp(127, 0, 0, 3);
    const Ipv4 noisy = MakeIp(127, 0, 0, 5);
    const Ipv4 forger = MakeIp(127, 0, 0, 6);
    std::map<Ipv4, LoopbackResponders::Answer> nodes;
    nodes[pc] = [](std::uint16_t id) {
        return std::vector<Bytes>{NodeStatusReplyBytes(id, "KURAGE-PC", "UMIBE")};
    };
    nodes[kana] = [](std::uint16_t id) {
        return std::vector<Bytes>{NodeStatusReplyBytes(id, Sjis("くらげ"), Sjis("うみべ"))};
    };
    // Garbage and a cut-off copy before the real answer.
    nodes[noisy] = [](std::uint16_t id) {
        Bytes cut = NodeStatusReplyBytes(id, "NOISY", "WG");
        cut.pop_back();
        return std::vector<Bytes>{Bytes{1, 2, 3}, cut, NodeStatusReplyBytes(id, "NOISY", "WG")};
    };
    nodes[forger] = [](std::uint16_t id) {
        return std::vector<Bytes>{
            NodeStatusReplyBytes(static_cast<std::uint16_t>(id + 1), "FORGED", "WG")};
    };
    LoopbackResponders responders(nodes);
    ASSERT_NE(responders.port, 0);
    test::MemoryNameBook book;
    NameQueryOptions options;
    options.port = responders.port;
    options.bindIp = MakeIp(127, 0, 0, 1);
    options.replyWait = 300ms;
    const std::vector<NameQueryRange> ranges = {{MakeIp(127, 0, 0, 2), MakeIp(127, 0, 0, 9)}};
    EXPECT_EQ(EnumerateNetworkNames(ranges, MakeIp(127, 0, 0, 1), MASK_24, book, options), 3);
    EXPECT_EQ(book.Entries(), (std::map<Ipv4, test::MemoryNameBook::Names>{
                                  {pc, {"KURAGE-PC", "UMIBE"}},
                                  {kana, {Sjis("くらげ"), Sjis("うみべ")}},
                                  {noisy, {"NOISY", "WG"}},
                              }));
}

}  // namespace
}  // namespace halvera
