#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/ip_address.h"
#include "base/text_codec.h"
#include "events/mail_sender.h"
#include "lists/node_list_sort.h"
#include "store/event_kind.h"
#include "store/event_settings_store.h"
#include "store/node_store.h"
#include "support/child_process.h"
#include "support/cli_lab_folder.h"
#include "support/cli_process.h"
#include "support/cli_terminal.h"
#include "support/file_bytes.h"
#include "support/lab.h"
#include "support/lab_fixture.h"
#include "support/lab_mac.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/scripted_mail_server.h"
#include "support/smtp_server.h"

namespace halvera {
namespace {

using test::CliProcess;
using test::Lab;
using test::RunCli;
using test::TsvRows;

// Cells of the node list and the event log as halvera-cli prints them.
enum { NODE_LABEL = 1, NODE_ADDRESS = 5, NODE_MAC = 6, NODE_ST = 12 };
enum { EVENT_KIND = 0, EVENT_ADDRESS = 2 };

using Events = std::vector<std::pair<std::string, std::string>>;  // kind text, address

// A command of the lab's own shell: the segment's switch ports and the hosts' addresses.
void Ip(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"ip"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ASSERT_EQ(test::RunProgram(argv), 0) << testing::PrintToString(argv);
}

// The lines of a search's output that say how far it has come.
std::vector<std::string> ProgressLines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream text(out);
    for (std::string line; std::getline(text, line);) {
        if (line.starts_with("【ノード検索】 ") &&
            line.find(" アドレス  ノード ") != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

class CliLab : public test::LabFixture {
  protected:
    void SetUp() override {
        LabFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ASSERT_TRUE(m_home.Prepare([this](AppSettings& app) { Configure(app); }, LastAddress()))
            << m_home.Failure();
    }

    virtual void Configure(AppSettings&) {}
    // The search range ends here; below the /24's end the searches take less time.
    virtual const char* LastAddress() const { return "198.18.7.255"; }

    // Runs a command to its end and expects it to succeed.
    test::CliResult Cli(std::initializer_list<std::string> command) { return m_home.Cli(command); }

    // Address -> (MAC cell, ST cell) of every node row; the labels by address.
    std::map<std::string, std::vector<std::string>> Nodes(
        std::map<std::string, std::string>* labels = nullptr) {
        return NodesOf(m_home, labels);
    }
    static std::map<std::string, std::vector<std::string>> NodesOf(
        const test::CliLabFolder& home, std::map<std::string, std::string>* labels = nullptr) {
        std::map<std::string, std::vector<std::string>> nodes;
        for (const auto& row : TsvRows(home.Cli({"nodes"}).out)) {
            if (row.size() == 13) {
                nodes[row[NODE_ADDRESS]] = {row[NODE_MAC], row[NODE_ST]};
                if (labels != nullptr) {
                    (*labels)[row[NODE_ADDRESS]] = row[NODE_LABEL];
                }
            }
        }
        return nodes;
    }

    // Every host of the lab's segment, as the node list shows it after a search.
    static std::vector<test::LabHost> SegmentHosts() {
        std::vector<test::LabHost> hosts =
            Lab::Get().Hosts({"own", "normal", "sniffing", "partial", "samba"});
        Lab::SortByAddress(hosts);
        return hosts;
    }

    Events EventLog() { return EventLogOf(m_home); }
    static Events EventLogOf(const test::CliLabFolder& home) {
        Events events;
        for (const auto& row : TsvRows(home.Cli({"events"}).out)) {
            events.emplace_back(row.at(EVENT_KIND), row.at(EVENT_ADDRESS));
        }
        return events;
    }

    static std::string Address(const char* kind, std::size_t n = 0) {
        return FormatIp(Lab::Get().Hosts(kind).at(n).address);
    }

    test::CliLabFolder m_home;
};

TEST_F(CliLab, SearchFindsExactlyTheLabsHostsAndASecondSearchRaisesNothing) {
    const auto searched = Cli({"search"});
    EXPECT_NE(searched.out.find("検索処理が終了しました。"), std::string::npos) << searched.out;
    // Into a pipe: no line for each address, but one as each tenth of the walk is done,
    // the last with every address of the range and every host of the segment.
    EXPECT_EQ(searched.out.find(" 検索中 . . ."), std::string::npos) << searched.out;
    const auto progress = ProgressLines(searched.out);
    EXPECT_GE(progress.size(), 1u) << searched.out;
    EXPECT_LE(progress.size(), 10u) << searched.out;
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(progress.back().starts_with("【ノード検索】 256/256 アドレス  ノード " +
                                            std::to_string(SegmentHosts().size()) + "  "))
        << progress.back();

    std::map<std::string, std::vector<std::string>> expected;
    Events events;
    for (const auto& host : SegmentHosts()) {
        const std::string address = FormatIp(host.address);
        expected[address] = {test::LabMacText(host.mac), host.kind == "sniffing" ? "x" : "."};
        // In address order; the own host raises no new-node event.
        if (host.kind != "own") {
            events.emplace_back("新規ノード検出", address);
        }
        if (host.kind == "sniffing") {
            events.emplace_back("盗聴ノード検出", address);
        }
    }
    EXPECT_EQ(Nodes(), expected);
    EXPECT_EQ(EventLog(), events);
    // The events were printed as they happened, each as its event list row.
    EXPECT_NE(searched.out.find("盗聴ノード検出\t"), std::string::npos) << searched.out;

    Cli({"search"});
    EXPECT_EQ(EventLog(), events);
    EXPECT_EQ(Nodes(), expected);
}

// Every host of the lab and a free address lie below .64.
class CliShortLab : public CliLab {
  protected:
    const char* LastAddress() const override { return "198.18.7.63"; }
};

TEST_F(CliShortLab, ASearchShowsItsProgressAsItsOutputAllowsAndQuietOnlyItsEvents) {
    const std::string found = std::to_string(SegmentHosts().size());
    const std::string last = "【ノード検索】 64/64 アドレス  ノード " + found + "  ";
    struct Case {
        const char* name;
        bool quiet;
        bool terminal;
    };
    const Case cases[] = {
        {"pipe", false, false},
        {"quiet pipe", true, false},
        {"terminal", false, true},
        {"quiet terminal", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> command = m_home.Args({});
        if (c.quiet) {
            command.push_back("--quiet");
        }
        command.push_back("search");
        // Each search starts from an empty node list, so each raises the same events.
        std::filesystem::remove(m_home.Path() / "db" / "NetDB.na");
        const auto result = c.terminal ? test::RunCliOnTerminal(command) : RunCli(command);
        ASSERT_EQ(result.status, 0) << result.out << result.err;
        EXPECT_EQ(result.out.find(" 検索中 . . ."), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("新規ノード検出\t"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("盗聴ノード検出\t"), std::string::npos) << result.out;
        // The status line is rewritten in place, on a terminal only.
        EXPECT_EQ(result.out.find("\r\033[K") != std::string::npos, c.terminal && !c.quiet);
        if (c.quiet) {
            // Nothing but the events, each as its event list row.
            std::istringstream lines(result.out);
            for (std::string line; std::getline(lines, line);) {
                EXPECT_TRUE(line.starts_with("新規ノード検出\t") ||
                            line.starts_with("盗聴ノード検出\t"))
                    << line;
            }
            continue;
        }
        EXPECT_NE(result.out.find("【ノード検索】 検索準備中 . . ."), std::string::npos);
        EXPECT_NE(result.out.find(last), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("検索処理が終了しました。"), std::string::npos);
        if (!c.terminal) {
            const auto progress = ProgressLines(result.out);
            EXPECT_GE(progress.size(), 1u);
            EXPECT_LE(progress.size(), 10u) << result.out;
        }
    }
}

// The program sorts its list by label at start-up; halvera-cli prints the same order.
class CliSortedLab : public CliShortLab {
  protected:
    void Configure(AppSettings& app) override {
        app.BSORT = 1;
        app.SORT = SORT_BY_LABEL;
    }
};

TEST_F(CliSortedLab, NodesAfterASearchComeInTheStartUpOrder) {
    Cli({"search"});
    std::vector<std::string> labels;
    std::vector<Ipv4> addresses;
    const std::string listed = Cli({"nodes"}).out;
    for (const auto& row : TsvRows(listed)) {
        labels.push_back(row.at(NODE_LABEL));
        addresses.push_back(HostOrder(InetAddr(row.at(NODE_ADDRESS))));
    }
    EXPECT_EQ(addresses.size(), SegmentHosts().size()) << listed;
    // The search found the hosts in address order; the labels (names where a host has one)
    // put them in another.
    EXPECT_TRUE(std::is_sorted(labels.begin(), labels.end())) << testing::PrintToString(labels);
    EXPECT_FALSE(std::is_sorted(addresses.begin(), addresses.end()));
}

// The adapter chosen with settings set is the one the searches send through, and a network
// added as a range is searched host by host: through the own host's side adapter the
// segment's hosts stay unseen, through eth0 exactly those of the range are found.
TEST_F(CliShortLab, TheAdapterChosenInTheSettingsIsTheOneTheSearchUses) {
    std::string segment;
    std::string side;
    for (const auto& row : TsvRows(Cli({"adapters"}).out)) {
        if (row.at(2) == Address("own")) {
            segment = row.at(0);
        } else if (row.at(2) == "198.18.8.10") {
            side = row.at(0);
        }
    }
    ASSERT_FALSE(segment.empty());
    ASSERT_FALSE(side.empty());
    Cli({"ranges", "clear"});
    // 198.18.7.17 to .30: both normal hosts, not the own host.
    Cli({"ranges", "add", Address("normal") + "/28"});

    Cli({"settings", "set", "ADPNUM", side});
    EXPECT_NE(Cli({"settings"}).out.find("\nADPNAME\tside0"), std::string::npos);
    RunCli(m_home.Args({"search"}));
    EXPECT_TRUE(Nodes().empty());

    Cli({"settings", "set", "ADPNUM", segment});
    EXPECT_NE(Cli({"settings"}).out.find("\nADPNAME\teth0"), std::string::npos);
    Cli({"search"});
    std::vector<std::string> found;
    for (const auto& [address, cells] : Nodes()) {
        found.push_back(address);
    }
    EXPECT_EQ(found, (std::vector<std::string>{Address("normal", 0), Address("normal", 1)}));
}

// A host name that tries to be markup and extra CSV cells, from the own host's hosts file,
// for the time of one test.
class HostileHostName {
  public:
    explicit HostileHostName(const std::string& line) : m_saved(test::ReadBytes(HOSTS)) {
        // In place: the test process sees the file through a bind mount of it.
        std::ofstream(HOSTS, std::ios::app) << line << "\n";
    }
    ~HostileHostName() { std::ofstream(HOSTS, std::ios::trunc) << m_saved; }

  private:
    static constexpr const char* HOSTS = "/etc/netns/hlv-own/hosts";
    std::string m_saved;
};

TEST_F(CliShortLab, ExportsKeepNamesFromTheNetworkAsText) {
    {
        HostileHostName name(Address("partial") + " <b>\"x\"</b>&y");
        Cli({"search"});
    }
    const std::string html = Cli({"export", "html", "nodes"}).out;
    EXPECT_NE(html.find("&lt;b&gt;&quot;x&quot;&lt;/b&gt;&amp;y</font>"), std::string::npos)
        << html;
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    const std::string csv = Cli({"export", "csv", "nodes"}).out;
    EXPECT_NE(csv.find(",\"<b>\"\"x\"\"</b>&y\","), std::string::npos) << csv;
}

TEST_F(CliShortLab, HostTakenDownIsReportedByRefresh) {
    Cli({"search"});
    const std::string down = Address("normal", 1);
    Ip({"-n", "hlv-seg", "link", "set", "p-normal2", "down"});
    Cli({"refresh"});
    Ip({"-n", "hlv-seg", "link", "set", "p-normal2", "up"});

    const Events events = EventLog();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), (std::pair<std::string, std::string>{"ノード停止", down}));
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const auto& e) { return e.first == "ノード停止"; }),
              1);
    const auto nodes = Nodes();
    ASSERT_EQ(nodes.count(down), 1u);
    EXPECT_EQ(nodes.at(down)[1], "");
    EXPECT_EQ(nodes.at(Address("normal", 0))[1], ".");
}

TEST_F(CliShortLab, HostMovedToAFreeAddressKeepsItsLabel) {
    Cli({"search"});
    const std::string before = Address("normal", 0);
    const std::string after = "198.18.7.60";
    // The label as the label edit dialog would have stored it.
    {
        test::RecordingPrompt prompt;
        test::RecordingErrorLog log;
        NodeStore nodes(prompt, log);
        ASSERT_EQ(nodes.InitNodeStore(), 0);
        NodeRecord record;
        nodes.FindNodeByIp(InetAddr(before), record);
        record.label = Sjis("受付のPC");
        ASSERT_EQ(nodes.PutNode(record), PUT_REPLACED);
        nodes.CloseNodeStore();
    }
    Ip({"-n", "hlv-normal1", "addr", "del", before + "/24", "dev", "eth0"});
    Ip({"-n", "hlv-normal1", "addr", "add", after + "/24", "dev", "eth0"});
    Cli({"search"});
    Ip({"-n", "hlv-normal1", "addr", "del", after + "/24", "dev", "eth0"});
    Ip({"-n", "hlv-normal1", "addr", "add", before + "/24", "dev", "eth0"});

    std::map<std::string, std::string> labels;
    const auto nodes = Nodes(&labels);
    EXPECT_EQ(nodes.count(before), 0u);
    ASSERT_EQ(nodes.count(after), 1u);
    EXPECT_EQ(nodes.at(after), (std::vector<std::string>{
                                   test::LabMacText(Lab::Get().Hosts("normal").at(0).mac), "."}));
    EXPECT_EQ(labels.at(after), "受付のPC");
    const Events events = EventLog();
    EXPECT_EQ(std::count(events.begin(), events.end(),
                         std::pair<std::string, std::string>{"新規ノード検出", after}),
              0);
}

// The address and device changes with the record the event settings dialog writes for an
// enabled kind; without one, as before they were raised, they stay disabled.
class CliChangeEventsLab : public CliShortLab {
  protected:
    void EnableChangeKinds() {
        test::RecordingPrompt prompt;
        test::RecordingErrorLog log;
        EventSettingsStore events(prompt, log);
        EventSettings event;
        event.enabled = 1;
        event.screen = 1;
        event.log = 1;
        event.message = "%IP";
        for (int kind : {EVENT_IP_CHANGE, EVENT_DEVICE_CHANGE}) {
            ASSERT_GE(events.PutEventSettings(kind, event), 0);
        }
    }

    // The event list rows a command printed as they happened: kind, address, MAC, information.
    static std::vector<std::vector<std::string>> PrintedEvents(const std::string& out,
                                                               const std::string& kind) {
        std::vector<std::vector<std::string>> events;
        for (const auto& row : TsvRows("\n" + out)) {
            if (row.size() == 9 && row[0] == kind) {
                events.push_back({row[0], row[3], row[4], row[8]});
            }
        }
        return events;
    }
};

// Gives a lab host's interface another MAC for the life of the object.
class ChangedMac {
  public:
    ChangedMac(const test::LabHost& host, const std::string& mac) : m_host(host) { Set(mac); }
    ~ChangedMac() { Set(m_host.mac); }
    void Set(const std::string& mac) {
        Ip({"-n", m_host.nameSpace, "link", "set", "dev", m_host.interface, "address", mac});
    }

  private:
    test::LabHost m_host;
};

TEST_F(CliChangeEventsLab, AnotherMacAtAKnownAddressRaisesDeviceChangeWhenEnabled) {
    Cli({"search"});
    const test::LabHost host = Lab::Get().Hosts("normal").at(1);
    const std::string address = FormatIp(host.address);
    const std::string other = "02:48:4c:56:07:99";
    ChangedMac changed(host, other);

    // Not enabled: the node takes the new MAC silently.
    const auto silent = Cli({"search"});
    EXPECT_TRUE(PrintedEvents(silent.out, "ネットワーク機器変更").empty()) << silent.out;
    EXPECT_EQ(Nodes().at(address), (std::vector<std::string>{test::LabMacText(other), "."}));

    // Enabled: the original MAC coming back is a change of device again.
    EnableChangeKinds();
    changed.Set(host.mac);
    const auto raised = Cli({"search"});
    EXPECT_EQ(PrintedEvents(raised.out, "ネットワーク機器変更"),
              (std::vector<std::vector<std::string>>{
                  {"ネットワーク機器変更", address, test::LabMacText(host.mac),
                   address + "（変更前のMACアドレス：" + test::LabMacText(other) + "）"}}))
        << raised.out;
    const Events events = EventLog();
    EXPECT_EQ(std::count(events.begin(), events.end(),
                         std::pair<std::string, std::string>{"ネットワーク機器変更", address}),
              1);
    EXPECT_EQ(Nodes().at(address), (std::vector<std::string>{test::LabMacText(host.mac), "."}));
}

TEST_F(CliChangeEventsLab, HostMovedToAFreeAddressRaisesAddressChange) {
    EnableChangeKinds();
    Cli({"search"});
    const test::LabHost host = Lab::Get().Hosts("normal").at(0);
    const std::string before = FormatIp(host.address);
    const std::string after = "198.18.7.60";
    Ip({"-n", host.nameSpace, "addr", "del", before + "/24", "dev", host.interface});
    Ip({"-n", host.nameSpace, "addr", "add", after + "/24", "dev", host.interface});
    const auto moved = RunCli(m_home.Args({"search"}));
    Ip({"-n", host.nameSpace, "addr", "del", after + "/24", "dev", host.interface});
    Ip({"-n", host.nameSpace, "addr", "add", before + "/24", "dev", host.interface});

    EXPECT_EQ(moved.status, 0) << moved.err;
    EXPECT_EQ(
        PrintedEvents(moved.out, "IPアドレス変更"),
        (std::vector<std::vector<std::string>>{{"IPアドレス変更", after, test::LabMacText(host.mac),
                                                after + "（変更前のIPアドレス：" + before + "）"}}))
        << moved.out;
    EXPECT_TRUE(PrintedEvents(moved.out, "新規ノード検出").empty()) << moved.out;
    EXPECT_TRUE(PrintedEvents(moved.out, "ネットワーク機器変更").empty()) << moved.out;
}

// halvera-cli sends through the SMTP port, which the own host's namespace has free for a
// real server.
TEST_F(CliShortLab, MailTestSendsTheTestMailThroughARealSmtpServer) {
    if (!test::SmtpServer::Available()) {
        GTEST_SKIP() << "no system Python";
    }
    test::SmtpServer smtp(m_home.Path() / "maildir", MAIL_DEFAULT_PORT);
    ASSERT_TRUE(smtp.Ready()) << "aiosmtpd did not start (package python3-aiosmtpd)";
    std::filesystem::remove(test::CliRegistryPath());
    Cli({"mail", "set", "smtpserver", "127.0.0.1", "adrfrom", "halvera@example.com", "adrto2",
         "admin@example.com", "subject", "Halvera テスト"});

    const auto sent = Cli({"mail", "test"});
    EXPECT_EQ(sent.out, "テストメールを送信しました。\n");
    EXPECT_EQ(sent.err, "");
    const auto mails = smtp.Mails(1);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(test::MailBodyUtf8(mails[0]), "テストメール\n");
    EXPECT_NE(mails[0].find("\nX-RcptTo: admin@example.com\n"), std::string::npos) << mails[0];
}

TEST_F(CliShortLab, RefreshNodeTakesANameOrAnAddressOfTheSubnet) {
    struct Case {
        const char* given;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {"normal1.hlv-lab.test", 0, ""},
        {"198.18.7.22", 0, ""},
        {"198.18.7.255", 1, "検索指定先が不正です。\n"},
        {"198.18.8.10", 1, "サブネット外のノードは検索できません。\n"},
        {"no-such-host.hlv-lab.test", 1,
         "ノード検索が行えませんでした。（名前の変換に失敗しました）\n"},
    };
    for (const auto& c : cases) {
        const auto result = RunCli(m_home.Args({"refresh-node", c.given}));
        EXPECT_EQ(result.status, c.status) << c.given << "\n" << result.err;
        EXPECT_EQ(result.err, c.err) << c.given;
        EXPECT_EQ(result.out.find("検索処理が終了しました。") != std::string::npos, c.status == 0)
            << c.given;
    }
    // Both nodes that answered are in the list now, each found once.
    const auto nodes = Nodes();
    EXPECT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes.count(Address("normal", 0)), 1u);
    EXPECT_EQ(nodes.count(Address("normal", 1)), 1u);
}

// The verdicts of a search and of the refresh after it under each sniffing criterion: every
// host found with the mark its answers to the tests give under the criterion, each event once.
TEST_F(CliShortLab, VerdictsOfASearchAndARefreshUnderEachSniffCriterion) {
    const struct Case {
        std::vector<std::string> criterion;  // sniff set ..., from the default B47 B16 B8
        bool partialSniffs;                  // the partial host answers B47 and B16, not B8
        bool snifferSniffs;
    } cases[] = {
        {{"B47", "B16", "B8"}, false, true},
        {{"any"}, true, true},
        {{"B47", "B16"}, true, true},
        {{"B8"}, false, true},
        {{"none"}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.criterion));
        test::CliLabFolder home;
        ASSERT_TRUE(home.Prepare({}, LastAddress())) << home.Failure();
        std::vector<std::string> sniff{"--home", home.Path().string(), "sniff", "set"};
        sniff.insert(sniff.end(), c.criterion.begin(), c.criterion.end());
        ASSERT_EQ(test::RunCli(sniff).status, 0);

        std::map<std::string, std::vector<std::string>> expected;
        Events events;
        for (const auto& host : SegmentHosts()) {
            const std::string address = FormatIp(host.address);
            const bool sniffs = (host.kind == "sniffing" && c.snifferSniffs) ||
                                (host.kind == "partial" && c.partialSniffs);
            expected[address] = {test::LabMacText(host.mac), sniffs ? "x" : "."};
            if (host.kind != "own") {
                events.emplace_back("新規ノード検出", address);
            }
            if (sniffs) {
                events.emplace_back("盗聴ノード検出", address);
            }
        }
        home.Cli({"search"});
        EXPECT_EQ(NodesOf(home), expected);
        EXPECT_EQ(EventLogOf(home), events);
        home.Cli({"refresh"});
        EXPECT_EQ(NodesOf(home), expected);
        EXPECT_EQ(EventLogOf(home), events);
    }
}

// The sniffing host drops every second ARP frame it is sent, whatever the frame, while the
// rule is in place.
class LossyHost {
  public:
    explicit LossyHost(std::string nameSpace) : m_nameSpace(std::move(nameSpace)) {
        m_ok = Nft({"add", "table", "netdev", TABLE}) &&
               Nft({"add", "chain", "netdev", TABLE, "ingress",
                    "{ type filter hook ingress device eth0 priority 0; policy accept; }"}) &&
               Nft({"add", "rule", "netdev", TABLE, "ingress", "ether", "type", "arp", "numgen",
                    "inc", "mod", "2", "==", "1", "drop"});
    }
    ~LossyHost() { Nft({"delete", "table", "netdev", TABLE}); }
    LossyHost(const LossyHost&) = delete;
    LossyHost& operator=(const LossyHost&) = delete;
    bool Ok() const { return m_ok; }

  private:
    static constexpr const char* TABLE = "hlv_lossy";
    bool Nft(std::vector<std::string> arguments) const {
        std::vector<std::string> argv{"ip", "netns", "exec", m_nameSpace, "nft"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return test::RunProgram(argv) == 0;
    }
    std::string m_nameSpace;
    bool m_ok = false;
};

// The attempts of each kind share one window: a host that drops every second frame still
// answers one of them, so the refresh finds it with all its tests and raises nothing.
TEST_F(CliShortLab, ARefreshFindsAHostThatDropsEverySecondFrameWithAllItsAnswers) {
    Cli({"search"});
    const auto found = Nodes();
    const Events events = EventLog();
    ASSERT_EQ(found.at(Address("sniffing")).at(1), "x");
    {
        LossyHost lossy(Lab::Get().Hosts("sniffing").at(0).nameSpace);
        ASSERT_TRUE(lossy.Ok());
        Cli({"refresh"});
    }
    EXPECT_EQ(Nodes(), found);
    EXPECT_EQ(EventLog(), events);
}

// A stop cuts the window in flight: with the longest TIMEOUT a refresh still ends at once,
// through its usual end, and the nodes it could not finish keep what the node file holds.
TEST_F(CliShortLab, ARefreshInAMinuteLongWindowEndsWithinASecondOfSigint) {
    // The bound is one second; a second more allows for a loaded machine (two cores shared
    // by several builds), far below the window's minute.
    constexpr auto STOP_BOUND = std::chrono::seconds(1);
    constexpr auto LOAD_MARGIN = std::chrono::seconds(1);
    Cli({"search"});
    Cli({"settings", "set", "TIMEOUT", "60000"});
    const auto nodeFile = m_home.Path() / "db" / "NetDB.na";
    const std::string stored = test::ReadBytes(nodeFile);
    ASSERT_FALSE(stored.empty());

    CliProcess refresh(m_home.Args({"refresh"}));
    ASSERT_TRUE(refresh.Started());
    ASSERT_TRUE(refresh.WaitForOutput("【ノード検索】 検索準備中", std::chrono::seconds(30)))
        << refresh.Out() << refresh.Err();
    // Well inside the first window, which lasts over a minute.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const auto signalled = std::chrono::steady_clock::now();
    refresh.Signal(SIGINT);
    const int status = refresh.Wait(std::chrono::seconds(30));
    const auto took = std::chrono::steady_clock::now() - signalled;
    EXPECT_EQ(status, 0) << refresh.Err();
    EXPECT_LT(took, STOP_BOUND + LOAD_MARGIN);
    EXPECT_NE(refresh.Out().find("検索処理が終了しました。"), std::string::npos) << refresh.Out();
    EXPECT_EQ(test::ReadBytes(nodeFile), stored);
}

// A run held up where a stop cannot cut it (its mail, at its end, to a server that never
// answers) is not waited for once the user asks a second time.
TEST_F(CliShortLab, ASecondSignalEndsARunHeldInItsMailAtOnce) {
    test::ScriptedMailServer silent({test::ScriptedMailServer::SILENT});
    std::filesystem::remove(test::CliRegistryPath());
    Cli({"mail", "set", "smtpserver", "127.0.0.1", "smtpport", std::to_string(silent.Port()),
         "adrfrom", "halvera@example.com", "adrto2", "admin@example.com"});
    Cli({"event", "set", "0", "mail", "%IP"});
    CliProcess search(m_home.Args({"search"}));
    ASSERT_TRUE(search.Started());
    ASSERT_TRUE(search.WaitForOutput("検索処理が終了しました。", std::chrono::seconds(30)))
        << search.Out() << search.Err();
    // The run now waits for the server's greeting; the first signal asks it to stop, the
    // second comes once the first has been taken.
    search.Signal(SIGINT);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    search.Signal(SIGINT);
    EXPECT_EQ(search.Wait(std::chrono::seconds(10)), 128 + SIGINT) << search.Err();
    EXPECT_NE(search.Err().find("halvera-cli: ended at once by a second signal"), std::string::npos)
        << search.Err();
}

class CliMonitorLab : public CliShortLab {
  protected:
    void Configure(AppSettings& app) override { app.NEWTIME = 5; }
};

TEST_F(CliMonitorLab, StartsARangeSearchByItselfAndStopsCleanlyOnSigterm) {
    CliProcess monitor(m_home.Args({"monitor"}));
    ASSERT_TRUE(monitor.Started());
    ASSERT_TRUE(monitor.WaitForOutput("【ノード検索】 検索準備中 . . .", std::chrono::seconds(20)))
        << monitor.Out() << monitor.Err();
    ASSERT_TRUE(monitor.WaitForOutput("新規ノード検出", std::chrono::seconds(30)))
        << monitor.Out() << monitor.Err();
    monitor.Signal(SIGTERM);
    EXPECT_EQ(monitor.Wait(std::chrono::seconds(30)), 0) << monitor.Err();
    EXPECT_EQ(monitor.Err(), "");
    // A polled run ends without the completion message.
    EXPECT_EQ(monitor.Out().find("検索処理が終了しました。"), std::string::npos);

    // The folder is free again, and what the run stored before it stopped reads back whole.
    const auto nodes = Nodes();
    EXPECT_EQ(nodes.count(Address("normal", 0)), 1u);
    for (const auto& [address, cells] : nodes) {
        EXPECT_EQ(cells[1], address == Address("sniffing") ? "x" : ".") << address;
    }
}

}  // namespace
}  // namespace halvera
