#include "store/node_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/file_opener.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "store/node_line.h"
#include "support/file_bytes.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::pair<std::string, std::string>>;
using Texts = std::vector<std::string>;

NodeRecord Node(int last, const std::string& label = "") {
    NodeRecord record;
    record.ip = MakeIp(192, 168, 0, last);
    record.mac = {0x02, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(last)};
    record.status = NODE_UP;
    record.label = label.empty() ? "node" + std::to_string(last) : label;
    record.updated = "2024/05/06 07:08:09";
    record.detected = "2024/01/01 00:00:00";
    record.monitor = 1;
    record.testBits = static_cast<std::uint32_t>(last % 8);
    record.spare = last;
    return record;
}

// A node file as the store writes it, for fixtures made before the store opens.
std::string NodeFile(const std::vector<NodeRecord>& records) {
    std::string bytes;
    for (const auto& record : records) {
        bytes += StoreLine(FormatNodeLine(record), NODE_LINE_SIZE);
    }
    return bytes;
}

fs::path Db(const char* name) {
    return DbFolder() / name;
}

fs::path Tmp(const char* name) {
    return TmpFolder() / name;
}

// Every label in file order, read the way the node list is filled.
Texts Labels(NodeStore& store) {
    Texts labels;
    NodeRecord record;
    for (std::size_t n = 0; store.ReadNodeAt(n, record) == 0; ++n, record = NodeRecord{}) {
        labels.push_back(record.label);
    }
    return labels;
}

// Reads a node file or the name book from the file format alone: records of a fixed length
// ending in LF; each byte stands for the bitwise NOT of the text byte rotated left by one, and
// 0xFF x stands for the byte 256 - x; the text ends at the first NUL; fields end in ",".
std::vector<Texts> DecodeFile(const std::string& bytes, std::size_t recordSize) {
    std::vector<Texts> records;
    EXPECT_EQ(bytes.size() % recordSize, 0u);
    for (std::size_t start = 0; start + recordSize <= bytes.size(); start += recordSize) {
        EXPECT_EQ(bytes[start + recordSize - 1], '\n');
        std::string text;
        for (std::size_t i = start; i < start + recordSize - 1; ++i) {
            unsigned stored = static_cast<unsigned char>(bytes[i]);
            if (stored == 0xFF) {
                stored = (256 - static_cast<unsigned char>(bytes[++i])) & 0xFF;
            }
            const unsigned rotated = ~stored & 0xFF;
            const char c = static_cast<char>(((rotated >> 1) | (rotated << 7)) & 0xFF);
            if (c == '\0') {
                break;
            }
            text.push_back(c);
        }
        Texts fields;
        std::size_t from = 0;
        for (std::size_t comma; (comma = text.find(',', from)) != std::string::npos;
             from = comma + 1) {
            fields.push_back(text.substr(from, comma - from));
        }
        fields.push_back(text.substr(from));  // the padding after the last separator
        records.push_back(fields);
    }
    return records;
}

class NodeStoreTest : public testing::Test {
  protected:
    void SetUp() override {
        SetRetryWait([this](std::chrono::milliseconds wait) {
            std::lock_guard lock(m_waitMutex);
            m_waits.push_back(wait.count());
        });
    }
    void TearDown() override { SetRetryWait(nullptr); }

    void Open() { ASSERT_EQ(m_store.InitNodeStore(), 0); }
    void PutAll(std::initializer_list<int> lasts) {
        for (int last : lasts) {
            NodeRecord record = Node(last);
            ASSERT_EQ(m_store.PutNode(record), PUT_APPENDED);
        }
    }

    test::TempProgramFolder m_folder;
    test::RecordingPrompt m_prompt;
    test::RecordingErrorLog m_log;
    NodeStore m_store{m_prompt, m_log};
    std::mutex m_waitMutex;
    std::vector<long> m_waits;
};

TEST_F(NodeStoreTest, FilesReadCorrectlyFromTheFormatAlone) {
    Open();
    m_store.PutNames(Node(1).ip, "yy-host", "WORKGROUP");
    NodeRecord first = Node(1, Sjis("事務所のプリンタ"));
    NodeRecord second = Node(2);
    second.mac = {0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45};
    second.status = NODE_DOWN;
    second.spare = -3;
    ASSERT_EQ(m_store.PutNode(first), PUT_APPENDED);
    ASSERT_EQ(m_store.PutNode(second), PUT_APPENDED);

    const std::vector<Texts> nodes = DecodeFile(test::ReadBytes(Db("NetDB.na")), 198);
    ASSERT_EQ(nodes.size(), 2u);
    const Texts firstFields(nodes[0].begin(), nodes[0].end() - 1);
    EXPECT_EQ(firstFields, (Texts{"192.168.0.1", "02-00-00-00-00-01", "yy-host", "WORKGROUP", "1",
                                  Sjis("事務所のプリンタ"), "2024/05/06 07:08:09",
                                  "2024/01/01 00:00:00", "1", "1", "1"}));
    EXPECT_EQ(nodes[0].back(), std::string(nodes[0].back().size(), ' '));
    const Texts secondFields(nodes[1].begin(), nodes[1].end() - 1);
    EXPECT_EQ(secondFields, (Texts{"192.168.0.2", "AB-CD-EF-01-23-45", "", "", "2", "node2",
                                   "2024/05/06 07:08:09", "2024/01/01 00:00:00", "1", "2", "-3"}));

    const std::vector<Texts> names = DecodeFile(test::ReadBytes(Db("NameDB.na")), 53);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0][0], "192.168.0.1");
    EXPECT_EQ(names[0][1], "yy-host");
    EXPECT_EQ(names[0][2], "WORKGROUP");
}

TEST_F(NodeStoreTest, PutReplacesInPlaceAndAppendsNewAddresses) {
    Open();
    PutAll({1, 2, 3});
    NodeRecord changed = Node(2, "changed");
    EXPECT_EQ(m_store.PutNode(changed), PUT_REPLACED);
    EXPECT_EQ(m_store.PutNode(changed), PUT_REPLACED);
    EXPECT_EQ(fs::file_size(Db("NetDB.na")), 3u * 198);
    EXPECT_EQ(Labels(m_store), (Texts{"node1", "changed", "node3"}));
    EXPECT_EQ(m_store.CountNodes(), 3u);
}

TEST_F(NodeStoreTest, RecordComesBackAsWrittenAndOtherFieldsAsTheCallerLeftThem) {
    Open();
    NodeRecord written = Node(7);
    written.vendor = "not kept";
    written.prevIp = MakeIp(1, 1, 1, 1);
    ASSERT_EQ(m_store.PutNode(written), PUT_APPENDED);

    NodeRecord expected = Node(7);
    expected.prevMac = {9, 9, 9, 9, 9, 9};
    expected.image = 2;
    NodeRecord byPosition;
    byPosition.prevMac = expected.prevMac;
    byPosition.image = 2;
    NodeRecord byAddress = byPosition;
    EXPECT_EQ(m_store.ReadNodeAt(0, byPosition), 0);
    EXPECT_EQ(byPosition, expected);
    m_store.FindNodeByIp(Node(7).ip, byAddress);
    EXPECT_EQ(byAddress, expected);

    NodeRecord absent = Node(8);
    m_store.FindNodeByIp(Node(8).ip, absent);
    EXPECT_EQ(absent, NodeRecord{});
    EXPECT_EQ(m_store.ReadNodeAt(1, absent), 1);
}

TEST_F(NodeStoreTest, EmptyStoreHasNoRecordZero) {
    Open();
    NodeRecord record;
    EXPECT_EQ(m_store.ReadNodeAt(0, record), 1);
    EXPECT_EQ(m_store.CountNodes(), 0u);
}

TEST_F(NodeStoreTest, AddressZeroIsNeverWritten) {
    Open();
    NodeRecord zero = Node(1);
    zero.ip = 0;
    EXPECT_EQ(m_store.PutNode(zero), PUT_FAILED);
    EXPECT_EQ(m_store.PutBackupNode(zero), PUT_FAILED);
    m_store.PutNames(0, "host", "WG");
    for (const char* name : {"NetDB.na", "bNetDB.na", "NameDB.na"}) {
        EXPECT_EQ(fs::file_size(Db(name)), 0u) << name;
    }
}

TEST_F(NodeStoreTest, PutNodeTakesTheNamesFromTheNameBook) {
    Open();
    m_store.PutNames(Node(1).ip, "pc1", "WG");
    m_store.PutNames(Node(1).ip, "pc1-renamed", "OFFICE");
    NodeRecord named = Node(1);
    named.host = "stale";
    ASSERT_EQ(m_store.PutNode(named), PUT_APPENDED);
    EXPECT_EQ(named.host, "pc1-renamed");
    EXPECT_EQ(named.domain, "OFFICE");
    EXPECT_EQ(fs::file_size(Db("NameDB.na")), 53u);

    NodeRecord unnamed = Node(2);
    unnamed.host = "own";
    unnamed.domain = "OWN";
    ASSERT_EQ(m_store.PutNode(unnamed), PUT_APPENDED);

    NodeRecord read;
    m_store.FindNodeByIp(Node(1).ip, read);
    EXPECT_EQ(read.host, "pc1-renamed");
    m_store.FindNodeByIp(Node(2).ip, read);
    EXPECT_EQ(read.host, "own");
    EXPECT_EQ(read.domain, "OWN");

    std::string host = "kept";
    std::string domain = "kept";
    m_store.PutNames(Node(3).ip, std::string(40, 'h'), "WG");
    m_store.LookupNames(Node(4).ip, host, domain);
    EXPECT_EQ(host, "kept");
    m_store.LookupNames(Node(3).ip, host, domain);
    EXPECT_EQ(host, std::string(35, 'h'));
    EXPECT_EQ(domain, "WG");
}

TEST_F(NodeStoreTest, FindsTheFirstRecordOfAMacAtAnotherAddress) {
    auto WithMac = [](int last, int macOf, const std::string& label) {
        NodeRecord record = Node(last, label);
        record.mac = Node(macOf).mac;
        return record;
    };
    // MAC of node 9 at .9 itself, then at .4 and .5; MAC of node 6 only at .6.
    test::WriteBytes(Db("NetDB.na"),
                     NodeFile({WithMac(9, 9, "own"), Node(6), WithMac(4, 9, "moved-first"),
                               WithMac(5, 9, "moved-second")}));
    Open();
    struct Case {
        const char* name;
        int macOf;
        int except;
        const char* label;  // nullptr: none found
    };
    const Case cases[] = {
        {"the first record elsewhere, in file order", 9, 9, "moved-first"},
        {"the probed address itself is skipped", 9, 4, "own"},
        {"the only record is the probed address", 6, 6, nullptr},
        {"a MAC no record has", 7, 1, nullptr},
    };
    for (const auto& c : cases) {
        NodeRecord found = Node(1);
        const int result =
            m_store.FindNodeByMacElsewhere(Node(c.macOf).mac, Node(c.except).ip, found);
        EXPECT_EQ(result, c.label ? 0 : 1) << c.name;
        EXPECT_EQ(found.label, c.label ? c.label : "") << c.name;
    }

    // A record that takes another MAC in place is found by its new MAC only.
    NodeRecord changed = WithMac(4, 6, "changed");
    ASSERT_EQ(m_store.PutNode(changed), PUT_REPLACED);
    NodeRecord found;
    EXPECT_EQ(m_store.FindNodeByMacElsewhere(Node(9).mac, Node(9).ip, found), 0);
    EXPECT_EQ(found.label, "moved-second");
    EXPECT_EQ(m_store.FindNodeByMacElsewhere(Node(6).mac, Node(6).ip, found), 0);
    EXPECT_EQ(found.label, "changed");
}

TEST_F(NodeStoreTest, FirstRecordOfAnAddressWinsAndDeleteRemovesThemAll) {
    test::WriteBytes(Db("NetDB.na"), NodeFile({Node(1, "first"), Node(2), Node(1, "second"),
                                               Node(3), Node(1, "third")}));
    Open();
    m_store.PutNames(Node(1).ip, "one", "WG");
    m_store.PutNames(Node(2).ip, "two", "WG");

    NodeRecord found;
    m_store.FindNodeByIp(Node(1).ip, found);
    EXPECT_EQ(found.label, "first");
    NodeRecord replaced = Node(1, "replaced");
    EXPECT_EQ(m_store.PutNode(replaced), PUT_REPLACED);
    EXPECT_EQ(Labels(m_store), (Texts{"replaced", "node2", "second", "node3", "third"}));

    m_store.DeleteNode(Node(1).ip);
    EXPECT_EQ(Labels(m_store), (Texts{"node2", "node3"}));
    EXPECT_EQ(fs::file_size(Db("NetDB.na")), 2u * 198);
    m_store.FindNodeByIp(Node(1).ip, found);
    EXPECT_EQ(found, NodeRecord{});
    std::string host = "none";
    std::string domain = "none";
    m_store.LookupNames(Node(1).ip, host, domain);
    EXPECT_EQ(host, "none");
    m_store.LookupNames(Node(2).ip, host, domain);
    EXPECT_EQ(host, "two");
    EXPECT_FALSE(fs::exists(Tmp("NetDB.na")));
    EXPECT_FALSE(fs::exists(Tmp("NameDB.na")));

    // Appending after the rewrite lands behind the kept records.
    PutAll({4});
    EXPECT_EQ(Labels(m_store), (Texts{"node2", "node3", "node4"}));
}

TEST_F(NodeStoreTest, BackupRecordsAreFoundAndDeletedByMac) {
    Open();
    const MacAddress shared = Node(1).mac;
    NodeRecord x = Node(1, "x");
    NodeRecord y = Node(2, "y");
    NodeRecord z = Node(3, "z");
    z.mac = shared;
    for (NodeRecord* record : {&x, &y, &z}) {
        ASSERT_EQ(m_store.PutBackupNode(*record), PUT_APPENDED);
    }
    m_store.PutNames(z.ip, "zhost", "WG");

    NodeRecord found;
    EXPECT_EQ(m_store.FindBackupByMac(shared, found), 0);
    EXPECT_EQ(found.label, "x");
    EXPECT_EQ(m_store.FindBackupByMac({9, 9, 9, 9, 9, 9}, found), 1);
    EXPECT_EQ(found, NodeRecord{});

    // x takes another MAC in place: the shared MAC now leads to z.
    x.mac = {0x0A, 0, 0, 0, 0, 0x0A};
    EXPECT_EQ(m_store.PutBackupNode(x), PUT_REPLACED);
    EXPECT_EQ(m_store.FindBackupByMac(shared, found), 0);
    EXPECT_EQ(found.label, "z");
    EXPECT_EQ(m_store.FindBackupByMac(x.mac, found), 0);
    EXPECT_EQ(found.label, "x");

    m_store.DeleteBackupByMac(shared);
    EXPECT_EQ(m_store.FindBackupByMac(shared, found), 1);
    EXPECT_EQ(m_store.FindBackupByMac(y.mac, found), 0);
    EXPECT_EQ(fs::file_size(Db("bNetDB.na")), 2u * 198);
    std::string host;
    std::string domain;
    m_store.LookupNames(z.ip, host, domain);
    EXPECT_EQ(host, "zhost");
}

TEST_F(NodeStoreTest, NewNodeListLeavesAllThreeFilesEmpty) {
    Open();
    PutAll({1, 2});
    NodeRecord backup = Node(3);
    m_store.PutBackupNode(backup);
    m_store.PutNames(Node(1).ip, "pc1", "WG");

    m_store.CloseNodeStore();
    Open();
    EXPECT_EQ(m_store.CountNodes(), 2u);

    m_store.SetKeepNodeList(0);
    m_store.CloseNodeStore();
    Open();
    for (const char* name : {"NetDB.na", "bNetDB.na", "NameDB.na"}) {
        EXPECT_EQ(fs::file_size(Db(name)), 0u) << name;
    }
    NodeRecord found;
    m_store.FindNodeByIp(Node(1).ip, found);
    EXPECT_EQ(found, NodeRecord{});
    EXPECT_EQ(m_store.FindBackupByMac(backup.mac, found), 1);
    EXPECT_EQ(m_store.CountNodes(), 0u);
}

TEST_F(NodeStoreTest, FileThatCannotBeOpenedIsReported) {
    struct Case {
        const char* file;
        Texts boxes;
        Lines lines;
        std::size_t openedBefore;
    };
    const Case cases[] = {
        {"NetDB.na",
         {Sjis("NetDB Open Error。"), Sjis("NetDB Access Error。")},
         {{"filed", "NetDB Open Error"}, {"filed", "NetDB Access Error"}},
         0},
        {"bNetDB.na", {Sjis("BakNetDB Access Error。"), Sjis("BakNetDB Access Error。")}, {}, 1},
        {"NameDB.na",
         {Sjis("NameDB Open Error。"), Sjis("NameDB Access Error。")},
         {{"filed", "NameDB Open Error"}, {"filed", "NameDB Access Error"}},
         2},
    };
    for (const auto& c : cases) {
        test::TempProgramFolder folder;
        test::RecordingPrompt prompt;
        test::RecordingErrorLog log;
        NodeStore store(prompt, log);
        m_waits.clear();
        // A folder where the file should be can never be opened as one, and no wait mends it:
        // the boxes and lines come at once.
        fs::create_directories(Db(c.file) / "x");
        EXPECT_EQ(store.InitNodeStore(), 1) << c.file;
        EXPECT_EQ(prompt.Texts(), c.boxes) << c.file;
        EXPECT_EQ(log.Lines(), c.lines) << c.file;
        EXPECT_TRUE(m_waits.empty()) << c.file;
        std::size_t created = 0;
        for (const char* name : {"NetDB.na", "bNetDB.na", "NameDB.na"}) {
            created += fs::is_regular_file(Db(name)) ? 1 : 0;
        }
        EXPECT_EQ(created, c.openedBefore) << c.file;
    }
}

TEST_F(NodeStoreTest, OperationsOnAnUnopenableNodeFileEndQuietly) {
    fs::create_directories(Db("NetDB.na") / "x");
    NodeRecord record = Node(1);
    EXPECT_EQ(m_store.ReadNodeAt(0, record), 1);
    EXPECT_EQ(m_store.PutNode(record), PUT_FAILED);
    m_store.FindNodeByIp(record.ip, record);
    EXPECT_EQ(record, NodeRecord{});
    EXPECT_EQ(m_store.CountNodes(), 0u);
    // Each call tries again and reports again.
    EXPECT_EQ(m_prompt.Texts(), Texts(4, Sjis("NetDB Open Error。")));
}

TEST_F(NodeStoreTest, TornRecordAtTheEndIsCutOffAtOpening) {
    test::WriteBytes(Db("NetDB.na"), NodeFile({Node(1), Node(2)}) + std::string(57, 'x'));
    Open();
    EXPECT_EQ(fs::file_size(Db("NetDB.na")), 2u * 198);
    EXPECT_EQ(m_log.Lines(),
              (Lines{{"filed", "NetDB.na: 57 bytes of a partial record at the end dropped"}}));
    PutAll({3});
    EXPECT_EQ(Labels(m_store), (Texts{"node1", "node2", "node3"}));
}

// Files put aside below db/ as damaged copies of this store file.
std::vector<fs::path> DamagedCopies(const std::string& file) {
    std::vector<fs::path> copies;
    for (const auto& entry : fs::directory_iterator(DbFolder())) {
        if (entry.path().filename().string().starts_with(file + ".damaged-")) {
            copies.push_back(entry.path());
        }
    }
    return copies;
}

TEST_F(NodeStoreTest, ShiftedRecordsAreRecoveredAsLinesAndTheDamagedFileKept) {
    std::vector<NodeRecord> six;
    for (int last = 1; last <= 6; ++last) {
        six.push_back(Node(last));
    }
    const std::string file = NodeFile(six);
    const auto replaceAll = [](std::string text, const std::string& from, const std::string& to) {
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
        return text;
    };
    struct Case {
        const char* name;
        std::string damaged;
        Texts kept;
        const char* log;
    };
    const Case cases[] = {
        {"a byte inserted into record 2",
         file.substr(0, 250) + "x" + file.substr(250),
         {"node1", "node3", "node4", "node5", "node6"},
         "damaged: 199 bytes in 1 places dropped, 5 records kept"},
        {"a byte lost from record 3",
         file.substr(0, 450) + file.substr(451),
         {"node1", "node2", "node4", "node5", "node6"},
         "damaged: 197 bytes in 1 places dropped, 5 records kept"},
        {"line ends turned into CR LF",
         replaceAll(file, "\n", "\r\n"),
         {"node1", "node2", "node3", "node4", "node5", "node6"},
         "damaged: 6 bytes in 6 places dropped, 6 records kept"},
        {"records 2 and 3 fused, a torn tail",
         file.substr(0, 395) + file.substr(397) + "xyz",
         {"node1", "node4", "node5", "node6"},
         "damaged: 397 bytes in 2 places dropped, 4 records kept"},
    };
    for (const Case& c : cases) {
        test::TempProgramFolder folder;
        test::RecordingErrorLog log;
        NodeStore store(m_prompt, log);
        fs::create_directories(DbFolder());
        test::WriteBytes(Db("NetDB.na"), c.damaged);
        ASSERT_EQ(store.InitNodeStore(), 0) << c.name;
        EXPECT_EQ(Labels(store), c.kept) << c.name;
        EXPECT_EQ(test::ReadBytes(Db("NetDB.na")).size(), c.kept.size() * NODE_LINE_SIZE) << c.name;
        // The kept records are whole: searches find them, so nothing comes back as new.
        NodeRecord found;
        store.FindNodeByIp(MakeIp(192, 168, 0, 6), found);
        EXPECT_EQ(found, Node(6)) << c.name;

        const auto copies = DamagedCopies("NetDB.na");
        ASSERT_EQ(copies.size(), 1u) << c.name;
        EXPECT_EQ(test::ReadBytes(copies[0]), c.damaged) << c.name;
        ASSERT_EQ(log.Lines().size(), 1u) << c.name;
        EXPECT_EQ(log.Lines()[0].first, "filed");
        EXPECT_EQ(log.Lines()[0].second, std::string("NetDB.na: ") + c.log +
                                             "; the damaged file is kept as db/" +
                                             copies[0].filename().string())
            << c.name;
    }
}

// The damaged file put aside, and the node file a deletion writes anew (with its copy in tmp/
// first), hold the node file's records: none may be wider than the file the administrator
// narrowed.
TEST_F(NodeStoreTest, FilesWrittenFromTheNodeFileKeepItsMode) {
    const mode_t umaskBefore = umask(022);
    const struct {
        mode_t original;
        mode_t written;
    } modes[] = {{0600, 0600}, {0640, 0640}, {0400, 0400}, {0666, 0644}};
    for (const bool deletion : {false, true}) {
        for (const auto& c : modes) {
            SCOPED_TRACE(testing::Message() << (deletion ? "deletion " : "damaged ") << c.original);
            test::TempProgramFolder folder;
            NodeStore store(m_prompt, m_log);
            const std::string file = NodeFile({Node(1), Node(2)});
            test::WriteBytes(Db("NetDB.na"),
                             deletion ? file : file.substr(0, 250) + "x" + file.substr(250));
            ASSERT_EQ(chmod(Db("NetDB.na").c_str(), c.original), 0);
            ASSERT_EQ(store.InitNodeStore(), 0);
            fs::path written = Db("NetDB.na");
            if (deletion) {
                store.DeleteNode(Node(1).ip);
                ASSERT_EQ(Labels(store), Texts{"node2"});
            } else {
                const auto copies = DamagedCopies("NetDB.na");
                ASSERT_EQ(copies.size(), 1u);
                written = copies[0];
            }
            struct stat info {};
            ASSERT_EQ(stat(written.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, c.written);
        }
    }
    umask(umaskBefore);
}

// Whoever may write db/ or tmp/ may put a link there to a file only root may read: opening
// the store never cuts, copies or restores from what a link points at.
TEST_F(NodeStoreTest, ALinkBelowTheDataFolderIsNeverFollowed) {
    const std::string three = NodeFile({Node(1), Node(2), Node(3)});
    std::string damaged(2310, 's');
    damaged[100] = '\n';
    struct Case {
        const char* name;
        std::string target;
        const char* link;  // below the data folder
        bool opens;
    };
    const Case cases[] = {
        {"node file linked to a file with a torn record", std::string(30, 's'), "db/NetDB.na",
         false},
        {"node file linked to a damaged file", damaged, "db/NetDB.na", false},
        {"name book linked to a damaged file", damaged, "db/NameDB.na", false},
        {"copy of a deletion linked, the node file gone", three, "tmp/NetDB.na", true},
        {"db/ linked to a folder with a torn node file", std::string(30, 's'), "db", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempProgramFolder folder;
        test::RecordingPrompt prompt;
        test::RecordingErrorLog log;
        NodeStore store(prompt, log);
        const fs::path secret = folder.Path() / "secret";
        fs::create_directory(secret);
        const fs::path target = secret / (c.link == std::string("db") ? "NetDB.na" : "file");
        test::WriteBytes(target, c.target);
        ASSERT_EQ(chmod(target.c_str(), 0600), 0);
        const fs::path link = folder.Path() / c.link;
        fs::remove_all(link);
        fs::create_symlink(c.link == std::string("db") ? secret : target, link);

        EXPECT_EQ(store.InitNodeStore(), c.opens ? 0 : 1);
        EXPECT_EQ(test::ReadBytes(target), c.target);
        struct stat info {};
        ASSERT_EQ(stat(target.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600u);
        for (const auto& dir : {secret, folder.Path() / "db", folder.Path() / "tmp"}) {
            if (fs::is_symlink(dir)) {
                continue;
            }
            for (const auto& entry : fs::directory_iterator(dir)) {
                const bool copied = fs::is_regular_file(fs::symlink_status(entry.path())) &&
                                    test::ReadBytes(entry.path()) == c.target;
                EXPECT_TRUE(!copied || entry.path() == target) << entry.path();
            }
        }
    }
}

TEST_F(NodeStoreTest, AShiftedNameBookIsRecoveredAsLines) {
    Open();
    m_store.PutNames(MakeIp(192, 168, 0, 1), "HOST1", "WG");
    m_store.PutNames(MakeIp(192, 168, 0, 2), "HOST2", "WG");
    m_store.PutNames(MakeIp(192, 168, 0, 3), "HOST3", "WG");
    m_store.CloseNodeStore();
    std::string bytes = test::ReadBytes(Db("NameDB.na"));
    bytes.insert(NAME_LINE_SIZE + 3, "?");
    test::WriteBytes(Db("NameDB.na"), bytes);

    NodeStore store(m_prompt, m_log);
    ASSERT_EQ(store.InitNodeStore(), 0);
    std::string host;
    std::string domain;
    store.LookupNames(MakeIp(192, 168, 0, 3), host, domain);
    EXPECT_EQ(host, "HOST3");
    host.clear();
    store.LookupNames(MakeIp(192, 168, 0, 2), host, domain);
    EXPECT_EQ(host, "");
    EXPECT_EQ(DamagedCopies("NameDB.na").size(), 1u);
    EXPECT_EQ(test::ReadBytes(Db("NameDB.na")).size(), 2 * NAME_LINE_SIZE);
}

TEST_F(NodeStoreTest, LineThatIsNoAddressIsWalkedButNeverMatches) {
    const std::string garbage = StoreLine("garbage,00-00-00-00-00-01,h,d,1,junk,", NODE_LINE_SIZE);
    test::WriteBytes(Db("NetDB.na"), garbage + std::string(197, '\0') + "\n" + NodeFile({Node(1)}));
    Open();
    NodeRecord broadcast = Node(1);
    broadcast.ip = MakeIp(255, 255, 255, 255);
    NodeRecord found;
    m_store.FindNodeByIp(broadcast.ip, found);
    EXPECT_EQ(found, NodeRecord{});
    EXPECT_EQ(m_store.PutNode(broadcast), PUT_APPENDED);
    EXPECT_EQ(m_store.PutNode(broadcast), PUT_REPLACED);

    NodeRecord first;
    EXPECT_EQ(m_store.ReadNodeAt(0, first), 0);
    EXPECT_EQ(first.ip, IP_NONE);
    EXPECT_EQ(first.label, "junk");
    EXPECT_EQ(Labels(m_store), (Texts{"junk", "", "node1", "node1"}));
}

TEST_F(NodeStoreTest, ChangesMadeBehindTheStoreAreSeen) {
    struct Case {
        const char* name;
        std::function<void()> change;
        Texts expected;  // after node 9 was put
    };
    const Case cases[] = {
        {"record_appended",
         [] {
             test::WriteBytes(Db("NetDB.na"),
                              test::ReadBytes(Db("NetDB.na")) + NodeFile({Node(5)}));
         },
         {"node1", "node2", "node5", "node9"}},
        {"file_truncated", [] { fs::resize_file(Db("NetDB.na"), 198); }, {"node1", "node9"}},
        {"torn_record_appended",
         [] {
             test::WriteBytes(Db("NetDB.na"),
                              test::ReadBytes(Db("NetDB.na")) + std::string(100, 'x'));
         },
         {"node1", "node2", "node9"}},
        {"file_removed", [] { fs::remove(Db("NetDB.na")); }, {"node9"}},
        {"file_replaced",
         [] {
             test::WriteBytes(Db("other"), NodeFile({Node(6)}));
             fs::rename(Db("other"), Db("NetDB.na"));
         },
         {"node6", "node9"}},
        {"record_edited_in_place",
         [] {
             test::WriteBytes(Db("NetDB.na"), NodeFile({Node(1), Node(9, "edited")}));
             // The file clock is coarse: an edit of the same size is told by a later time.
             fs::last_write_time(Db("NetDB.na"),
                                 fs::last_write_time(Db("NetDB.na")) + std::chrono::seconds(1));
         },
         {"node1", "node9"}},
    };
    for (const auto& c : cases) {
        test::TempProgramFolder folder;
        NodeStore store(m_prompt, m_log);
        ASSERT_EQ(store.InitNodeStore(), 0);
        for (int last : {1, 2}) {
            NodeRecord record = Node(last);
            store.PutNode(record);
        }
        c.change();
        NodeRecord record = Node(9);
        store.PutNode(record);
        EXPECT_EQ(Labels(store), c.expected) << c.name;
        EXPECT_EQ(fs::file_size(Db("NetDB.na")), c.expected.size() * 198) << c.name;
    }
}

TEST_F(NodeStoreTest, InterruptedDeletionIsFinishedAtOpening) {
    const std::string three = NodeFile({Node(1), Node(2), Node(3)});
    const std::string two = NodeFile({Node(1), Node(3)});
    struct Case {
        const char* name;
        const char* file;
        std::optional<std::string> db;
        std::optional<std::string> copy;
        bool leftoverNew;
        int keepNodeList;
        std::size_t expectedSize;
    };
    const Case cases[] = {
        {"file_removed_copy_kept", "NetDB.na", std::nullopt, three, false, 1, 3 * 198},
        {"file_shorter_than_copy", "NetDB.na", two, three, false, 1, 3 * 198},
        {"copy_complete_file_kept", "NetDB.na", three, three, false, 1, 3 * 198},
        {"copy_cut_while_copying", "NetDB.na", three, three.substr(0, 250), false, 1, 3 * 198},
        {"new_file_never_took_over", "NetDB.na", three, std::nullopt, true, 1, 3 * 198},
        {"new_node_list_drops_copy", "NetDB.na", std::nullopt, three, true, 0, 0},
        {"backup_file_removed", "bNetDB.na", std::nullopt, three, false, 1, 3 * 198},
        {"name_book_removed", "NameDB.na", std::nullopt,
         std::string(52, 'n') + "\n" + std::string(52, 'n') + "\n", false, 1, 2 * 53},
    };
    for (const auto& c : cases) {
        test::TempProgramFolder folder;
        NodeStore store(m_prompt, m_log);
        if (c.db) {
            test::WriteBytes(Db(c.file), *c.db);
        }
        if (c.copy) {
            test::WriteBytes(Tmp(c.file), *c.copy);
        }
        if (c.leftoverNew) {
            test::WriteBytes(Db(c.file).string() + ".new", two);
        }
        store.SetKeepNodeList(c.keepNodeList);
        ASSERT_EQ(store.InitNodeStore(), 0) << c.name;
        EXPECT_EQ(fs::file_size(Db(c.file)), c.expectedSize) << c.name;
        EXPECT_FALSE(fs::exists(Tmp(c.file))) << c.name;
        EXPECT_FALSE(fs::exists(Db(c.file).string() + ".new")) << c.name;
    }
}

TEST_F(NodeStoreTest, FileLostByADeletionIsRestoredAtTheNextOperation) {
    Open();
    PutAll({1, 2, 3});
    // What a deletion leaves when it removed the file and could not create it again.
    fs::copy_file(Db("NetDB.na"), Tmp("NetDB.na"));
    fs::remove(Db("NetDB.na"));

    NodeRecord found;
    m_store.FindNodeByIp(Node(2).ip, found);
    EXPECT_EQ(found.label, "node2");
    EXPECT_FALSE(fs::exists(Tmp("NetDB.na")));
    PutAll({4});
    EXPECT_EQ(Labels(m_store), (Texts{"node1", "node2", "node3", "node4"}));
}

TEST_F(NodeStoreTest, DeletionThatCannotWriteLeavesTheStoreWhole) {
    struct Case {
        const char* name;
        std::function<fs::path()> blocked;
    };
    const Case cases[] = {
        {"copy_in_tmp", [] { return Tmp("NetDB.na"); }},
        {"new_file_in_db", [] { return Db("NetDB.na.new"); }},
    };
    for (const auto& c : cases) {
        test::TempProgramFolder folder;
        test::RecordingPrompt prompt;
        NodeStore store(prompt, m_log);
        ASSERT_EQ(store.InitNodeStore(), 0);
        for (int last : {1, 2, 3}) {
            NodeRecord record = Node(last);
            store.PutNode(record);
        }
        store.PutNames(Node(2).ip, "two", "WG");
        // A folder in the way: the file can never be created there.
        const fs::path blocked = c.blocked();
        fs::create_directories(blocked / "x");

        store.DeleteNode(Node(2).ip);
        EXPECT_EQ(prompt.Texts(), Texts{Sjis("NetDB Open Error。")}) << c.name;
        EXPECT_EQ(Labels(store), (Texts{"node1", "node2", "node3"})) << c.name;
        std::string host;
        std::string domain;
        store.LookupNames(Node(2).ip, host, domain);
        EXPECT_EQ(host, "two") << c.name;
        EXPECT_FALSE(fs::is_regular_file(Tmp("NetDB.na"))) << c.name;

        fs::remove_all(blocked);
        store.DeleteNode(Node(2).ip);
        EXPECT_EQ(Labels(store), (Texts{"node1", "node3"})) << c.name;
    }
}

TEST_F(NodeStoreTest, ConcurrentCallersSeeWholeRecordsAndConsistentIndexes) {
    Open();
    constexpr int ADDRESSES = 40;
    auto expectedLabel = [](const NodeRecord& r) { return "node" + std::to_string(r.spare); };
    std::atomic<bool> done{false};
    std::atomic<int> faults{0};
    std::map<Ipv4, bool> present;

    std::thread writer([&] {
        for (int i = 0; i < 120; ++i) {
            const int last = 1 + (i * 7) % ADDRESSES;
            if (i % 8 == 7) {
                m_store.DeleteNode(Node(last).ip);
                present[Node(last).ip] = false;
            } else {
                NodeRecord record = Node(last);
                m_store.PutNode(record);
                present[record.ip] = true;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
        done = true;
    });
    std::thread reader([&] {
        while (!done) {
            NodeRecord record;
            for (std::size_t n = 0; m_store.ReadNodeAt(n, record) == 0; ++n) {
                if (record.label != expectedLabel(record) || record.mac != Node(record.spare).mac) {
                    ++faults;
                }
                record = NodeRecord{};
            }
            m_store.FindNodeByIp(Node(8).ip, record);
            if (record.ip != 0 && record.label != "node8") {
                ++faults;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::thread names([&] {
        for (int i = 0; !done; ++i) {
            const int last = 1 + i % ADDRESSES;
            const std::string host = "host" + std::to_string(last);
            m_store.PutNames(Node(last).ip, host, "WG");
            std::string found;
            std::string domain;
            m_store.LookupNames(Node(last).ip, found, domain);
            if (found != host && !found.empty()) {
                ++faults;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    writer.join();
    reader.join();
    names.join();

    EXPECT_EQ(faults, 0);
    std::size_t expected = 0;
    for (const auto& [ip, isPresent] : present) {
        NodeRecord record;
        m_store.FindNodeByIp(ip, record);
        EXPECT_EQ(record.ip, isPresent ? ip : 0);
        expected += isPresent ? 1 : 0;
    }
    EXPECT_EQ(m_store.CountNodes(), expected);
}

// One step of the script a killed writer runs: put a node (after its names) or delete one.
struct ScriptStep {
    bool remove;
    int last;
    std::string label;
};

ScriptStep StepAt(int step) {
    return {step % 4 == 3, 1 + (step * 7) % 30, "L" + std::to_string(step)};
}

void RunStep(NodeStore& store, const ScriptStep& step) {
    if (step.remove) {
        store.DeleteNode(Node(step.last).ip);
        return;
    }
    store.PutNames(Node(step.last).ip, "h" + step.label, "WG");
    NodeRecord record = Node(step.last, step.label);
    store.PutNode(record);
}

using StoreContent = std::map<Ipv4, std::string>;  // label and host by address

void Apply(const ScriptStep& step, StoreContent& content) {
    if (step.remove) {
        content.erase(Node(step.last).ip);
    } else {
        content[Node(step.last).ip] = step.label + "/h" + step.label;
    }
}

TEST_F(NodeStoreTest, WriterKilledAnywhereNeverLosesACompletedRecord) {
    std::mt19937 engine(1234);
    StoreContent content;
    int next = 0;
    for (int round = 0; round < 300; ++round) {
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeEnds[0]);
            test::RecordingPrompt prompt;
            test::RecordingErrorLog log;
            NodeStore store(prompt, log);
            if (store.InitNodeStore() != 0) {
                _exit(1);
            }
            for (int step = next;; ++step) {
                RunStep(store, StepAt(step));
                if (write(pipeEnds[1], &step, sizeof step) != sizeof step) {
                    _exit(1);
                }
            }
        }
        close(pipeEnds[1]);
        int step = 0;
        auto done = [&] {
            Apply(StepAt(step), content);
            next = step + 1;
        };
        // Every other round kills once the writer is under way, the others from the start,
        // opening included.
        if (round % 2 == 1) {
            ASSERT_EQ(read(pipeEnds[0], &step, sizeof step), sizeof step) << "writer ended";
            done();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(engine() % 6000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        while (read(pipeEnds[0], &step, sizeof step) == sizeof step) {
            done();
        }
        close(pipeEnds[0]);

        // The step that was running may or may not have landed; nothing else may differ.
        StoreContent landed = content;
        Apply(StepAt(next), landed);
        test::RecordingPrompt prompt;
        NodeStore store(prompt, m_log);
        ASSERT_EQ(store.InitNodeStore(), 0) << "round " << round;
        StoreContent found;
        NodeRecord record;
        for (std::size_t n = 0; store.ReadNodeAt(n, record) == 0; ++n, record = NodeRecord{}) {
            EXPECT_TRUE(found.emplace(record.ip, record.label + "/" + record.host).second);
        }
        ASSERT_TRUE(found == content || found == landed) << "round " << round << " step " << next;
        if (found != content) {
            content = landed;
            ++next;
        }
        EXPECT_FALSE(fs::exists(Tmp("NetDB.na")));
        EXPECT_FALSE(fs::exists(Db("NetDB.na.new")));
    }
}

}  // namespace
}  // namespace halvera
