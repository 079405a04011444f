#include "net/node_status.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_codec.h"

namespace halvera {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromHex(std::string_view hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(
            static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

// Replies of Samba's nmbd to the query for "*", as they came off the wire.
// KURAGE-PC in workgroup UMIBE, names just registered.
const Bytes NMBD_REPLY = FromHex(
    "4d2a8400000000010000000020434b4141414141414141414141414141414141"
    "414141414141414141414141410000210001000000000089054b55524147452d"
    "50432020202020200004004b55524147452d50432020202020200304004b5552"
    "4147452d5043202020202020200400554d494245202020202020202020200084"
    "00554d494245202020202020202020201e840000000000000000000000000000"
    "0000000000000000000000000000000000000000000000000000000000000000"
    "00");
// The same node after it became the workgroup's master browser: __MSBROWSE__<01> (a group
// name) now comes before the workgroup's names.
const Bytes NMBD_MASTER_REPLY = FromHex(
    "4d2a8400000000010000000020434b4141414141414141414141414141414141"
    "4141414141414141414141414100002100010000000000ad074b55524147452d"
    "50432020202020200004004b55524147452d50432020202020200304004b5552"
    "4147452d504320202020202020040001025f5f4d5342524f5753455f5f020184"
    "00554d49424520202020202020202020008400554d4942452020202020202020"
    "20201d0400554d494245202020202020202020201e8400000000000000000000"
    "0000000000000000000000000000000000000000000000000000000000000000"
    "0000000000");
// A node named くらげ in workgroup うみべ with the DOS code page CP932.
const Bytes NMBD_CP932_REPLY = FromHex(
    "4d2a8400000000010000000020434b4141414141414141414141414141414141"
    "4141414141414141414141414100002100010000000000890582ad82e782b020"
    "202020202020202000040082ad82e782b020202020202020202003040082ad82"
    "e782b020202020202020202020040082a482dd82d72020202020202020200084"
    "0082a482dd82d72020202020202020201e840000000000000000000000000000"
    "0000000000000000000000000000000000000000000000000000000000000000"
    "00");

TEST(NodeStatusQuery, AsksForTheNameStar) {
    EXPECT_EQ(BuildNodeStatusQuery(0x4D2A),
              FromHex("4d2a000000010000000000002043"
                      "4b41414141414141414141414141414141414141414141414141414141414100"
                      "00210001"));
}

TEST(NodeStatusReply, ReadsRealReplies) {
    struct Case {
        const char* name;
        const Bytes& bytes;
        std::string computer;
        std::string workgroup;
    };
    const Case cases[] = {
        {"nmbd", NMBD_REPLY, "KURAGE-PC", "UMIBE"},
        {"nmbd_master_browser", NMBD_MASTER_REPLY, "KURAGE-PC", "UMIBE"},
        {"nmbd_cp932", NMBD_CP932_REPLY, Sjis("くらげ"), Sjis("うみべ")},
    };
    for (const auto& c : cases) {
        auto reply = ParseNodeStatusReply(c.bytes);
        ASSERT_TRUE(reply) << c.name;
        EXPECT_EQ(*reply, (NodeStatusReply{0x4D2A, c.computer, c.workgroup})) << c.name;
    }
}

TEST(NodeStatusReply, EveryCutOfARealReplyIsRejected) {
    for (std::size_t size = 0; size < NMBD_MASTER_REPLY.size(); ++size) {
        std::span<const std::uint8_t> cut(NMBD_MASTER_REPLY.data(), size);
        EXPECT_FALSE(ParseNodeStatusReply(cut)) << size << " bytes";
    }
}

struct NameEntry {
    std::string name;
    std::uint8_t suffix;
    std::uint16_t flags;
};

constexpr std::uint16_t UNIQUE = 0x0400;  // active
constexpr std::uint16_t GROUP = 0x8400;   // group, active

// A node status reply built field by field, each field open to a wrong value.
struct ReplyShape {
    std::uint16_t flags = 0x8400;
    std::uint16_t questions = 0;
    std::uint16_t answers = 1;
    Bytes name = FromHex(
        "20434b414141414141414141414141414141414141414141414141414141414141"
        "00");
    std::uint16_t type = 0x0021;
    std::uint16_t rrClass = 0x0001;
    int dataLengthError = 0;
    int countError = 0;
    std::size_t statisticsSize = 46;
    std::vector<NameEntry> names = {{"WIN10-PC", 0x00, UNIQUE},
                                    {"WORKGROUP", 0x00, GROUP},
                                    {"WIN10-PC", 0x20, UNIQUE},
                                    {"WORKGROUP", 0x1E, GROUP}};
};

void PutWord(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

Bytes BuildReply(const ReplyShape& shape) {
    Bytes data;
    data.push_back(static_cast<std::uint8_t>(shape.names.size() + shape.countError));
    for (const auto& entry : shape.names) {
        std::string padded = entry.name;
        padded.resize(15, ' ');
        data.insert(data.end(), padded.begin(), padded.end());
        data.push_back(entry.suffix);
        PutWord(data, entry.flags);
    }
    Bytes statistics(shape.statisticsSize, 0);
    if (!statistics.empty()) {
        statistics[0] = 0x00, statistics[1] = 0x0A, statistics[2] = 0x1B;
    }
    data.insert(data.end(), statistics.begin(), statistics.end());

    Bytes reply;
    PutWord(reply, 0x1234);
    PutWord(reply, shape.flags);
    PutWord(reply, shape.questions);
    PutWord(reply, shape.answers);
    PutWord(reply, 0);
    PutWord(reply, 0);
    reply.insert(reply.end(), shape.name.begin(), shape.name.end());
    PutWord(reply, shape.type);
    PutWord(reply, shape.rrClass);
    reply.insert(reply.end(), 4, 0);  // time to live
    PutWord(reply,
            static_cast<std::uint16_t>(static_cast<int>(data.size()) + shape.dataLengthError));
    reply.insert(reply.end(), data.begin(), data.end());
    return reply;
}

TEST(NodeStatusReply, PicksTheWorkstationNamesWhateverTheOrderAndShape) {
    ReplyShape windows;
    ReplyShape groupFirst;
    groupFirst.names = {
        {"DOM", 0x1C, GROUP}, {"DOM", 0x00, GROUP}, {"SRV", 0x20, UNIQUE}, {"SRV", 0x00, UNIQUE}};
    ReplyShape staleNames;
    staleNames.names = {{"CLASH-PC", 0x00, UNIQUE | 0x0800},
                        {"OLD-WG", 0x00, GROUP | 0x1000},
                        {"NEW-PC", 0x00, UNIQUE},
                        {"NEW-WG", 0x00, GROUP}};
    ReplyShape noWorkgroup;
    noWorkgroup.names = {{"LONE", 0x00, UNIQUE}};
    ReplyShape noComputer;
    noComputer.names = {{"WG", 0x00, GROUP}, {"LONE", 0x20, UNIQUE}};
    ReplyShape noNames;
    noNames.names = {};
    ReplyShape statisticsCutShort;
    statisticsCutShort.statisticsSize = 0;
    ReplyShape pointerName;
    pointerName.name = {0xC0, 0x0C};
    ReplyShape scopedName = windows;
    scopedName.name.back() = 3;
    scopedName.name.insert(scopedName.name.end(), {'l', 'a', 'b', 0});
    ReplyShape trailingSpacesOnly;
    trailingSpacesOnly.names = {{"A B", 0x00, UNIQUE}};

    struct Case {
        const char* name;
        ReplyShape shape;
        std::string computer;
        std::string workgroup;
    };
    const Case cases[] = {
        {"windows", windows, "WIN10-PC", "WORKGROUP"},
        {"group_first", groupFirst, "SRV", "DOM"},
        {"conflict_and_deregistering_skipped", staleNames, "NEW-PC", "NEW-WG"},
        {"no_workgroup", noWorkgroup, "LONE", ""},
        {"no_computer", noComputer, "", "WG"},
        {"no_names", noNames, "", ""},
        {"statistics_cut_short", statisticsCutShort, "WIN10-PC", "WORKGROUP"},
        {"compressed_record_name", pointerName, "WIN10-PC", "WORKGROUP"},
        {"name_with_scope", scopedName, "WIN10-PC", "WORKGROUP"},
        {"inner_space_kept", trailingSpacesOnly, "A B", ""},
    };
    for (const auto& c : cases) {
        auto reply = ParseNodeStatusReply(BuildReply(c.shape));
        ASSERT_TRUE(reply) << c.name;
        EXPECT_EQ(*reply, (NodeStatusReply{0x1234, c.computer, c.workgroup})) << c.name;
    }
}

TEST(NodeStatusReply, RejectsMalformedReplies) {
    struct Case {
        const char* name;
        ReplyShape shape;
    };
    std::vector<Case> cases;
    auto add = [&cases](const char* name, auto change) {
        ReplyShape shape;
        change(shape);
        cases.push_back({name, shape});
    };
    add("a_query", [](ReplyShape& s) { s.flags = 0x0000; });
    add("registration_opcode", [](ReplyShape& s) { s.flags = 0x8400 | 5 << 11; });
    add("error_code", [](ReplyShape& s) { s.flags = 0x8403; });
    add("question_section", [](ReplyShape& s) { s.questions = 1; });
    add("no_answer", [](ReplyShape& s) { s.answers = 0; });
    add("name_record_type", [](ReplyShape& s) { s.type = 0x0020; });
    add("wrong_class", [](ReplyShape& s) { s.rrClass = 0x0002; });
    add("data_length_past_end", [](ReplyShape& s) { s.dataLengthError = 1; });
    add("more_names_than_data", [](ReplyShape& s) {
        s.statisticsSize = 0;
        s.countError = 1;
    });
    add("count_of_255_names", [](ReplyShape& s) { s.countError = 255 - 4; });
    add("no_name_count", [](ReplyShape& s) {
        s.names = {};
        s.statisticsSize = 0;
        s.dataLengthError = -1;
    });
    add("label_over_63", [](ReplyShape& s) { s.name = Bytes(66, 0x41), s.name[0] = 64; });
    add("name_over_255", [](ReplyShape& s) {
        s.name.clear();
        for (int i = 0; i < 5; ++i) {
            s.name.push_back(63);
            s.name.insert(s.name.end(), 63, 'A');
        }
        s.name.push_back(0);
    });
    add("unterminated_name", [](ReplyShape& s) { s.name = {0x20}; });
    for (const auto& c : cases) {
        EXPECT_FALSE(ParseNodeStatusReply(BuildReply(c.shape))) << c.name;
    }
}

}  // namespace
}  // namespace halvera
