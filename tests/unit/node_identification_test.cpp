#include "net/node_identification.h"

#include <gtest/gtest.h>

#include <map>

#include "base/text_codec.h"
#include "support/memory_name_book.h"

namespace halvera {
namespace {

TEST(IsOutsideSubnet, ComparesTheNetworkPartUnlessTheMaskIsZero) {
    struct Case {
        Ipv4 ip;
        Ipv4 mask;
        bool outside;
    };
    const Ipv4 own = MakeIp(192, 168, 0, 7);
    const Case cases[] = {
        {MakeIp(192, 168, 0, 200), MakeIp(255, 255, 255, 0), false},
        {MakeIp(192, 168, 1, 1), MakeIp(255, 255, 255, 0), true},
        {MakeIp(10, 0, 0, 1), MakeIp(255, 255, 255, 0), true},
        {MakeIp(192, 168, 1, 1), MakeIp(255, 255, 0, 0), false},
        {MakeIp(192, 168, 1, 1), 0, false},
        {MakeIp(10, 0, 0, 1), 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsOutsideSubnet(c.ip, own, c.mask), c.outside)
            << FormatIp(c.ip) << " / " << FormatIp(c.mask);
    }
}

TEST(SanitizeNetworkName, ReplacesEveryByteThatWouldBreakAStoredLine) {
    struct Case {
        const char* name;
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", "kurage-pc.lab", "kurage-pc.lab"},
        {"kana_kept", Sjis("くらげ"), Sjis("くらげ")},
        {"half_width_kana_kept", "\xB6\xDD", "\xB6\xDD"},
        {"comma", "a,b", "a_b"},
        {"line_feed_and_return", "a\nb\rc", "a_b_c"},
        {"nul", std::string("a\0b", 3), "a_b"},
        {"tab_and_delete", "a\tb\x7F", "a_b_"},
        // 0xFF encodes to NUL in a stored line and would cut every field after it.
        {"byte_ff",
         "a\xFF"
         "b",
         "a_b"},
        {"lone_lead_byte_at_end", "ab\x82", "ab_"},
        {"lead_byte_before_comma", "\x82,x", "__x"},
        {"lead_byte_before_ascii_trail", "\x82\x20", "_ "},
        {"undefined_single_bytes", "\x80\xA0\xFD", "___"},
    };
    for (const auto& c : cases) {
        std::string safe = SanitizeNetworkName(c.input);
        EXPECT_EQ(safe, c.expected) << c.name;
        EXPECT_EQ(safe.size(), c.input.size()) << c.name;
        EXPECT_TRUE(Cp932ToUtf8(safe).has_value()) << c.name;
    }
}

// Answers from a table and counts every look-up.
class CountingResolver : public HostResolver {
  public:
    std::map<Ipv4, std::string> reverse;
    std::map<std::string, HostEntry> forward;
    int reverseLookups = 0;
    int forwardLookups = 0;

    std::optional<std::string> NameOfAddress(Ipv4 ip) override {
        ++reverseLookups;
        auto found = reverse.find(ip);
        return found == reverse.end() ? std::nullopt : std::optional(found->second);
    }
    std::optional<HostEntry> AddressesOfName(const std::string& name) override {
        ++forwardLookups;
        auto found = forward.find(name);
        return found == forward.end() ? std::nullopt : std::optional(found->second);
    }
};

const Ipv4 NODE = MakeIp(192, 168, 0, 20);
const Ipv4 OTHER = MakeIp(192, 168, 0, 99);

TEST(ResolveHostName, TakesOnlyNamesThatLeadBackToTheAddress) {
    // 18 two-byte characters: byte 35 is the first half of the last one.
    const std::string kana36 = Sjis("あいうえおかきくけこさしすせそたちつ");
    struct Case {
        const char* name;
        std::optional<std::string> reverse;
        std::optional<HostEntry> forward;
        std::string expected;
    };
    const Case cases[] = {
        {"confirmed", "pc1.lab", HostEntry{"", {OTHER, NODE}}, "pc1.lab"},
        {"canonical_name_wins", "alias.lab", HostEntry{"pc1.lab", {NODE}}, "pc1.lab"},
        {"cut_keeps_whole_characters", kana36, HostEntry{"", {NODE}}, kana36.substr(0, 34)},
        {"unsafe_bytes_replaced", "pc,1\xFF", HostEntry{"", {NODE}}, "pc_1_"},
        {"no_reverse_name", std::nullopt, std::nullopt, ""},
        {"empty_reverse_name", "", HostEntry{"", {NODE}}, ""},
        {"forward_fails", "pc1.lab", std::nullopt, ""},
        {"forward_leads_elsewhere", "pc1.lab", HostEntry{"pc1.lab", {OTHER}}, ""},
    };
    for (const auto& c : cases) {
        CountingResolver resolver;
        if (c.reverse) {
            resolver.reverse[NODE] = *c.reverse;
            if (c.forward) {
                resolver.forward[*c.reverse] = *c.forward;
            }
        }
        std::string host = ResolveHostName(NODE, resolver);
        EXPECT_EQ(host, c.expected) << c.name;
        EXPECT_LE(host.size(), NODE_NAME_MAX) << c.name;
    }
}

TEST(ResolveHostName, FortyCharacterNameIsStoredAsThirtyFive) {
    const std::string name(40, 'h');
    CountingResolver resolver;
    resolver.reverse[NODE] = name;
    resolver.forward[name] = HostEntry{"", {NODE}};
    test::MemoryNameBook book;
    NodeRecord record;
    record.ip = NODE;
    FillNodeNames(record, 1, book, resolver);
    EXPECT_EQ(record.host, std::string(35, 'h'));
    EXPECT_EQ(book.Entries().at(NODE).first, std::string(35, 'h'));
}

TEST(FillNodeNames, AsksTheResolverOnlyForNodesTheBookDoesNotName) {
    struct Case {
        const char* name;
        bool inBook;
        std::int32_t wins;
        bool resolvable;
        std::string host;
        std::string domain;
        int lookups;
        int puts;
    };
    const Case cases[] = {
        {"named_by_book", true, 1, true, "book-pc", "UMIBE", 0, 0},
        {"resolved_and_stored", false, 1, true, "dns-pc.lab", "", 1, 1},
        {"look_ups_disabled", false, 0, true, "", "", 0, 0},
        {"nothing_found", false, 1, false, "", "", 1, 0},
    };
    for (const auto& c : cases) {
        CountingResolver resolver;
        if (c.resolvable) {
            resolver.reverse[NODE] = "dns-pc.lab";
            resolver.forward["dns-pc.lab"] = HostEntry{"", {NODE}};
        }
        test::MemoryNameBook book;
        if (c.inBook) {
            book.PutNames(NODE, "book-pc", "UMIBE");
        }
        int putsBefore = book.Puts();
        NodeRecord record;
        record.ip = NODE;
        record.host = "stale-host";
        record.domain = "STALE";
        FillNodeNames(record, c.wins, book, resolver);
        EXPECT_EQ(record.host, c.host) << c.name;
        EXPECT_EQ(record.domain, c.domain) << c.name;
        EXPECT_EQ(resolver.reverseLookups, c.lookups) << c.name;
        EXPECT_EQ(book.Puts() - putsBefore, c.puts) << c.name;
        if (c.puts > 0) {
            EXPECT_EQ(book.Entries().at(NODE), test::MemoryNameBook::Names(c.host, c.domain))
                << c.name;
        }
    }
}

TEST(FillNodeNames, ResolvedNameIsStoredWithTheBooksWorkgroup) {
    CountingResolver resolver;
    resolver.reverse[NODE] = "dns-pc.lab";
    resolver.forward["dns-pc.lab"] = HostEntry{"", {NODE}};
    test::MemoryNameBook book;
    book.PutNames(NODE, "", "UMIBE");
    NodeRecord record;
    record.ip = NODE;
    FillNodeNames(record, 1, book, resolver);
    EXPECT_EQ(record.host, "dns-pc.lab");
    EXPECT_EQ(record.domain, "UMIBE");
    EXPECT_EQ(book.Entries().at(NODE), test::MemoryNameBook::Names("dns-pc.lab", "UMIBE"));
}

}  // namespace
}  // namespace halvera
