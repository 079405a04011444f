#include "store/node_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/ip_address.h"

namespace halvera {
namespace {

NodeRecord SampleRecord() {
    NodeRecord record;
    record.ip = MakeIp(192, 168, 1, 10);
    record.mac = {0x00, 0x11, 0x22, 0xAA, 0xBB, 0xCC};
    record.host = "host1";
    record.domain = "WORKGROUP";
    record.status = NODE_UP;
    record.label = "printer";
    record.updated = "2024/01/02 03:04:05";
    record.detected = "2023/12/31 23:59:59";
    record.monitor = 1;
    record.testBits = 5;
    record.spare = -7;
    return record;
}

std::string Padded(std::string text, std::size_t size) {
    text.resize(size, ' ');
    return text;
}

// The stored form of a line, then the read buffer the store parses.
std::string ThroughFile(const std::string& text, std::size_t lineSize) {
    return LoadLine(StoreLine(text, lineSize));
}

TEST(NodeLine, FormatsFieldsInFileOrder) {
    struct Case {
        const char* name;
        std::function<void(NodeRecord&)> change;
        std::string expected;
    };
    const Case cases[] = {
        {"whole_record", [](NodeRecord&) {},
         "192.168.1.10,00-11-22-AA-BB-CC,host1,WORKGROUP,1,printer,2024/01/02 03:04:05,"
         "2023/12/31 23:59:59,1,5,-7,"},
        {"unsigned_words_as_signed_numbers",
         [](NodeRecord& r) {
             r.monitor = 0xFFFFFFFFu;
             r.testBits = 0x80000000u;
         },
         "192.168.1.10,00-11-22-AA-BB-CC,host1,WORKGROUP,1,printer,2024/01/02 03:04:05,"
         "2023/12/31 23:59:59,-1,-2147483648,-7,"},
        {"text_ends_at_a_byte_the_line_cannot_carry",
         [](NodeRecord& r) {
             r.host = "ho\nst";
             r.domain = std::string("wo\0rk", 5);
             r.label =
                 "lab\xFF"
                 "el";
         },
         "192.168.1.10,00-11-22-AA-BB-CC,ho,wo,1,lab,2024/01/02 03:04:05,"
         "2023/12/31 23:59:59,1,5,-7,"},
        {"prev_fields_vendor_and_image_not_kept",
         [](NodeRecord& r) {
             r.prevIp = MakeIp(1, 2, 3, 4);
             r.prevMac = {1, 2, 3, 4, 5, 6};
             r.vendor = "Vendor";
             r.image = 3;
         },
         "192.168.1.10,00-11-22-AA-BB-CC,host1,WORKGROUP,1,printer,2024/01/02 03:04:05,"
         "2023/12/31 23:59:59,1,5,-7,"},
    };
    for (const auto& c : cases) {
        NodeRecord record = SampleRecord();
        c.change(record);
        EXPECT_EQ(FormatNodeLine(record), Padded(c.expected, NODE_LINE_SIZE)) << c.name;
    }
}

TEST(NodeLine, LongLineIsCutTo198Characters) {
    NodeRecord record = SampleRecord();
    record.host = std::string(100, 'h');
    record.label = std::string(100, 'l');
    const std::string line = FormatNodeLine(record);
    ASSERT_EQ(line.size(), NODE_LINE_SIZE);
    EXPECT_EQ(line.substr(0, 31), "192.168.1.10,00-11-22-AA-BB-CC,");
    EXPECT_EQ(line.back(), 'l');
}

TEST(NodeLine, NameLineCutsNamesAndLine) {
    struct Case {
        const char* name;
        std::string host;
        std::string domain;
        std::string expected;
    };
    const Case cases[] = {
        {"short", "pc1", "WG", Padded("10.0.0.1,pc1,WG,", NAME_LINE_SIZE)},
        {"empty", "", "", Padded("10.0.0.1,,,", NAME_LINE_SIZE)},
        {"host_of_40_keeps_35", std::string(40, 'h'), "",
         Padded("10.0.0.1," + std::string(35, 'h') + ",,", NAME_LINE_SIZE)},
        {"long_names_lose_tail_and_last_separator", std::string(35, 'h'), "WORKGROUP",
         "10.0.0.1," + std::string(35, 'h') + ",WORKGROU"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatNameLine(MakeIp(10, 0, 0, 1), c.host, c.domain), c.expected) << c.name;
    }
}

TEST(NodeLine, StoredNameLineHasKnownBytes) {
    // "1.2.3.4,abc,y," then spaces: y needs an escape pair, so one space falls off the end
    // when the encoding is cut to 52 bytes before the LF.
    const std::string expected = std::string(
                                     "\x9D\xA3\x9B\xA3\x99\xA3\x97\xA7"  // 1.2.3.4,
                                     "\x3D\x3B\x39\xA7"                  // abc,
                                     "\xFF\xF3\xA7") +                   // y,
                                 std::string(37, '\xBF') +
                                 "\n";
    EXPECT_EQ(StoreLine(FormatNameLine(MakeIp(1, 2, 3, 4), "abc", "y"), NAME_LINE_SIZE), expected);
}

TEST(NodeLine, StoredLineKeepsItsLengthAndCarriesNoLineEndOrSeparator) {
    std::string every;
    for (int c = 1; c < 0xFF; ++c) {
        if (c != '\n') {
            every.push_back(static_cast<char>(c));
        }
    }
    struct Case {
        const char* name;
        std::string text;
        std::size_t lineSize;
    };
    const Case cases[] = {
        {"every_byte_node_line", every, NODE_LINE_SIZE},
        {"every_byte_from_the_middle", every.substr(120), NODE_LINE_SIZE},
        {"every_byte_name_line", every, NAME_LINE_SIZE},
        // An LF in the text ends the encoding early; the record still keeps its length.
        {"short_encoding", "ab\ncd", NODE_LINE_SIZE},
    };
    for (const auto& c : cases) {
        const std::string stored = StoreLine(c.text, c.lineSize);
        ASSERT_EQ(stored.size(), c.lineSize) << c.name;
        EXPECT_EQ(stored.back(), '\n') << c.name;
        const std::string body = stored.substr(0, stored.size() - 1);
        EXPECT_EQ(body.find_first_of(std::string("\n\r,")), std::string::npos) << c.name;
        // 0xFF only opens an escape pair (its second byte may fall off at the cut).
        for (std::size_t i = 0; i + 1 < body.size(); ++i) {
            if (body[i] == '\xFF') {
                EXPECT_NE(std::string("\xF6\xF3\xD4\x01").find(body[++i]), std::string::npos)
                    << c.name;
            }
        }
        // What comes back is the start of the text, at least as much as fits in the line.
        const std::string decoded = LoadLine(stored);
        const std::string text = decoded.substr(0, decoded.find('\0'));
        EXPECT_EQ(c.text.substr(0, text.size()), text) << c.name;
        const std::size_t fits = std::min(c.text.find('\n'), (c.lineSize - 1) / 2);
        EXPECT_GE(text.size(), fits) << c.name;
    }
}

TEST(NodeLine, CopyFieldStopsAtSeparators) {
    struct Case {
        const char* name;
        std::string source;
        std::size_t max;
        std::size_t next;
        std::string field;
    };
    const Case cases[] = {
        {"comma", "abc,def", FIELD_MAX, 4, "abc"},
        {"lf", "abc\ndef", FIELD_MAX, 4, "abc"},
        {"nul", std::string("abc\0def", 7), FIELD_MAX, 4, "abc"},
        {"empty_field", ",x", FIELD_MAX, 1, ""},
        {"separator_at_max_plus_one", "abc,", 3, 4, "abc"},
        {"separator_beyond_max_plus_one", "abcd,", 3, 0, ""},
        {"source_ends_first", "abc", FIELD_MAX, 0, ""},
        {"empty_source", "", FIELD_MAX, 0, ""},
    };
    for (const auto& c : cases) {
        std::string field = "stale";
        EXPECT_EQ(CopyField(c.source, c.max, field), c.next) << c.name;
        EXPECT_EQ(field, c.field) << c.name;
    }
}

TEST(NodeLine, ParseMacAcceptsOnlyHexGroups) {
    struct Case {
        const char* text;
        std::optional<MacAddress> expected;
    };
    const Case cases[] = {
        {"00-11-22-AA-bb-Cc", MacAddress{0x00, 0x11, 0x22, 0xAA, 0xBB, 0xCC}},
        {"1-2-3", MacAddress{1, 2, 3, 0, 0, 0}},
        {"", MacAddress{}},
        {"--ff", MacAddress{0, 0, 0xFF, 0, 0, 0}},
        {"000FF-1", MacAddress{0xFF, 1, 0, 0, 0, 0}},
        {"100-11-22-33-44-55", std::nullopt},
        {"00:11:22:33:44:55", std::nullopt},
        {"00-11-22-33-44-55-66", std::nullopt},
        {"0g-11", std::nullopt},
        {" 00-11", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseMac(c.text), c.expected) << c.text;
    }
}

TEST(NodeLine, RecordRoundTripsThroughItsStoredLine) {
    const NodeRecord written = SampleRecord();
    NodeRecord read;
    read.prevIp = MakeIp(9, 9, 9, 9);
    read.prevMac = {9, 9, 9, 9, 9, 9};
    read.vendor = "kept";
    read.image = 4;
    ParseNodeLine(ThroughFile(FormatNodeLine(written), NODE_LINE_SIZE), read);

    NodeRecord expected = written;
    expected.prevIp = read.prevIp;
    expected.prevMac = read.prevMac;
    expected.vendor = "kept";
    expected.image = 4;
    EXPECT_EQ(read, expected);
}

TEST(NodeLine, ReadLimitsAndCommasDecideWhichFieldsAreTaken) {
    struct Case {
        const char* name;
        std::function<void(NodeRecord&)> write;
        std::function<void(NodeRecord&)> expect;  // applied to the written record
    };
    const std::string label36(36, 'L');
    const Case cases[] = {
        {"label_of_36_is_read", [&](NodeRecord& r) { r.label = label36; }, [](NodeRecord&) {}},
        {"label_of_37_is_skipped", [&](NodeRecord& r) { r.label = label36 + "x"; },
         [](NodeRecord& r) { r.label = "before"; }},
        {"host_of_36_is_skipped", [](NodeRecord& r) { r.host = std::string(36, 'h'); },
         [](NodeRecord& r) { r.host = "before"; }},
        {"date_of_20_is_skipped", [](NodeRecord& r) { r.updated = "2024/01/02 03:04:05Z"; },
         [](NodeRecord& r) { r.updated = "before"; }},
        {"comma_in_host_shifts_following_fields", [](NodeRecord& r) { r.host = "ho,st"; },
         [](NodeRecord& r) {
             r.host = "ho";
             r.domain = "st";
             r.status = 0;  // "WORKGROUP"
             r.label = "1";
             r.updated = "printer";
             r.detected = "2024/01/02 03:04:05";
             r.monitor = 2023;  // "2023/12/31 23:59:59" read like atoi
             r.testBits = 1;
             r.spare = 5;
         }},
    };
    for (const auto& c : cases) {
        NodeRecord written = SampleRecord();
        c.write(written);
        NodeRecord read;
        read.host = read.label = read.updated = "before";
        ParseNodeLine(ThroughFile(FormatNodeLine(written), NODE_LINE_SIZE), read);
        NodeRecord expected = written;
        c.expect(expected);
        EXPECT_EQ(read, expected) << c.name;
    }
}

TEST(NodeLine, HandWrittenLinesParseLikeTheFileReader) {
    struct Case {
        const char* name;
        std::string line;
        Ipv4 ip;
        MacAddress mac;
        std::int8_t status;
        std::string label;
    };
    const MacAddress before{7, 7, 7, 7, 7, 7};
    const Case cases[] = {
        {"status_keeps_low_byte",
         "1.2.3.4,00-00-00-00-00-01,h,d,258,lab,",
         MakeIp(1, 2, 3, 4),
         {0, 0, 0, 0, 0, 1},
         2,
         "lab"},
        {"unreadable_mac_keeps_old", "1.2.3.4,zz,h,d,1,lab,", MakeIp(1, 2, 3, 4), before, 1, "lab"},
        {"no_address",
         "garbage,00-00-00-00-00-01,h,d,1,lab,",
         IP_NONE,
         {0, 0, 0, 0, 0, 1},
         1,
         "lab"},
        // The read buffer past the text is NUL: missing fields come back empty or 0.
        {"short_line", "1.2.3.4,", MakeIp(1, 2, 3, 4), MacAddress{}, 0, ""},
    };
    for (const auto& c : cases) {
        NodeRecord read;
        read.mac = before;
        read.status = 9;
        read.label = "before";
        ParseNodeLine(ThroughFile(c.line, NODE_LINE_SIZE), read);
        EXPECT_EQ(read.ip, c.ip) << c.name;
        EXPECT_EQ(read.mac, c.mac) << c.name;
        EXPECT_EQ(read.status, c.status) << c.name;
        EXPECT_EQ(read.label, c.label) << c.name;
    }
}

TEST(NodeLine, KeysOfALine) {
    struct Case {
        const char* line;
        std::optional<Ipv4> ip;
        std::optional<MacAddress> mac;
    };
    const Case cases[] = {
        {"10.0.0.1,00-11-22-33-44-55,", MakeIp(10, 0, 0, 1),
         MacAddress{0, 0x11, 0x22, 0x33, 0x44, 0x55}},
        {"255.255.255.255,,", IP_NONE, MacAddress{}},
        {"garbage,xx,", std::nullopt, std::nullopt},
        // Past the text the read buffer is NUL: field 2 is empty, which reads as MAC 0.
        {"", std::nullopt, MacAddress{}},
    };
    for (const auto& c : cases) {
        const std::string line = ThroughFile(Padded(c.line, NODE_LINE_SIZE), NODE_LINE_SIZE);
        EXPECT_EQ(LineAddress(line), c.ip) << c.line;
        EXPECT_EQ(LineMac(line), c.mac) << c.line;
    }
}

TEST(NodeLine, NameLineReadsBackHostAndDomain) {
    struct Case {
        const char* name;
        std::string host;
        std::string domain;
        std::string expectedHost;
        std::string expectedDomain;
    };
    const Case cases[] = {
        {"plain", "pc1", "WG", "pc1", "WG"},
        {"empty_names_replace", "", "", "", ""},
        {"y_escapes_and_reads_back", "yyy", "y", "yyy", "y"},
        {"host_of_40_keeps_35", std::string(40, 'h'), "WG", std::string(35, 'h'), "WG"},
        // Long names lose the domain's tail and its separator; the rest still reads.
        {"cut_domain", std::string(35, 'h'), "WORKGROUP", std::string(35, 'h'), "WORKGRO"},
    };
    for (const auto& c : cases) {
        std::string host = "before";
        std::string domain = "before";
        ParseNameLine(
            ThroughFile(FormatNameLine(MakeIp(10, 0, 0, 1), c.host, c.domain), NAME_LINE_SIZE),
            host, domain);
        EXPECT_EQ(host, c.expectedHost) << c.name;
        EXPECT_EQ(domain, c.expectedDomain) << c.name;
    }

    // A host field longer than a name leaves both names alone.
    std::string host = "before";
    std::string domain = "before";
    ParseNameLine(ThroughFile(Padded("10.0.0.1," + std::string(36, 'h') + ",WG,", 60), 60), host,
                  domain);
    EXPECT_EQ(host, "before");
    EXPECT_EQ(domain, "before");
}

}  // namespace
}  // namespace halvera
