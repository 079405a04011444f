#include "events/event_actions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "store/event_kind.h"
#include "support/blocked_file.h"
#include "support/event_actions_harness.h"
#include "support/file_bytes.h"
#include "support/fixed_clock.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using Ranges = std::vector<std::pair<Ipv4, Ipv4>>;
using Lines = std::vector<std::string>;

const Ipv4 OWN = MakeIp(192, 168, 0, 10);
const Ipv4 NODE = MakeIp(192, 168, 0, 20);

// Every action configured, each leaving a trace of its own.
EventSettings AllActions() {
    EventSettings s;
    s.enabled = 1;
    s.screen = 1;
    s.log = 1;
    s.message = "%LABEL event";
    s.popupText = "popup %IP";
    s.filePath = "/usr/bin/notify %IP";
    s.mailText = "mail %HOST";
    s.soundFile = "/sounds/ding.wav";
    return s;
}

NodeRecord Node(Ipv4 ip) {
    NodeRecord node;
    node.ip = ip;
    node.mac = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E};
    node.label = "LAB";
    node.host = "PC01";
    node.domain = "WORKGROUP";
    return node;
}

// A program folder with the event actions over its stores.
struct ActionsInFolder {
    test::TempProgramFolder folder;
    test::EventActionsHarness h;

    void Configure(int kind, const EventSettings& settings) {
        ASSERT_GE(h.eventSettings.PutEventSettings(kind, settings), 0);
    }

    // Raises a node-up event of the node with these settings for its kind.
    void RaiseNodeUp(const EventSettings& settings, const NodeRecord& node = Node(NODE)) {
        Configure(EVENT_NODE_UP, settings);
        h.actions.RunEventActions(node, EVENT_NODE_UP, OWN);
    }

    ActionsInFolder() {
        h.eventList.Subscribe([this](const ListChange& change) {
            if (change.kind == ListChange::Inserted) {
                Note("row");
            }
        });
        h.eventLogList.Subscribe([this](const ListChange& change) {
            if (change.kind == ListChange::Inserted) {
                Note("log");
            }
        });
        h.popup.onRequest = [this] { Note("popup"); };
        h.desktop.onAction = [this](const std::string& line) {
            Note(line.substr(0, line.find(' ')));
        };
    }

    // What the actions left behind, one word per action, in the order they ran. A queued
    // mail line is noticed at the next action or at the end.
    Lines Traces() {
        NoteMail();
        return m_journal;
    }

  private:
    void Note(const std::string& word) {
        NoteMail();
        m_journal.push_back(word);
    }
    void NoteMail() {
        std::string line;
        if (!m_mailNoted && h.actions.MailPending() == 1 &&
            h.mailQueue.ReadMailLine(0, line) == 0) {
            m_mailNoted = true;
            m_journal.push_back("mail");
        }
    }

    Lines m_journal;
    bool m_mailNoted = false;
};

class EventActionsTest : public testing::Test {
  protected:
    EventActionsTest() : m_clock(2005, 7, 10, 9, 5, 3), m_scoped(m_clock) {}

    test::FixedClock m_clock;
    test::ScopedClock m_scoped;
};

TEST_F(EventActionsTest, WhichActionsRunForKindAddressAndRanges) {
    const Lines ALL = {"row", "log", "open", "popup", "mail", "sound"};
    struct Case {
        const char* name;
        int kind;
        Ipv4 node;
        int enabled;  // -1: the kind has no record
        int allEvent;
        Ranges ranges;
        Lines expected;
    };
    const Case cases[] = {
        {"enabled kind", EVENT_NODE_UP, NODE, 1, 1, {}, ALL},
        {"disabled kind", EVENT_NODE_UP, NODE, 0, 1, {}, {}},
        {"kind without a record", EVENT_NODE_UP, NODE, -1, 1, {}, {}},
        {"own address, new node", EVENT_NEW_NODE, OWN, 1, 1, {}, {}},
        {"own address, node down", EVENT_NODE_DOWN, OWN, 1, 1, {}, {}},
        {"own address, node up", EVENT_NODE_UP, OWN, 1, 1, {}, ALL},
        {"own address, sniffing", EVENT_SNIFFING_NODE, OWN, 1, 1, {}, ALL},
        {"other node, node down", EVENT_NODE_DOWN, NODE, 1, 1, {}, ALL},
        {"ALLEVENT 0, no ranges", EVENT_NEW_NODE, NODE, 1, 0, {}, {"row"}},
        {"ALLEVENT 2 counts as not 1", EVENT_NEW_NODE, NODE, 1, 2, {}, {"row"}},
        // Ranges compare in host order: the network-order words of 192.168.1.0 - .255
        // would hold 192.168.0.20, those of 192.168.0.0 - 192.168.1.0 would not.
        {"ALLEVENT 0, outside every range",
         EVENT_NEW_NODE,
         NODE,
         1,
         0,
         {{MakeIp(192, 168, 0, 1), MakeIp(192, 168, 0, 19)},
          {MakeIp(192, 168, 1, 0), MakeIp(192, 168, 1, 255)}},
         {"row"}},
        {"ALLEVENT 0, inside the second range",
         EVENT_NEW_NODE,
         NODE,
         1,
         0,
         {{MakeIp(192, 168, 0, 21), MakeIp(192, 168, 0, 30)},
          {MakeIp(192, 168, 0, 0), MakeIp(192, 168, 1, 0)}},
         ALL},
        {"ALLEVENT 0, on the edge of a range",
         EVENT_NEW_NODE,
         NODE,
         1,
         0,
         {{MakeIp(192, 168, 0, 20), MakeIp(192, 168, 0, 20)}},
         ALL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ActionsInFolder s;
        if (c.enabled >= 0) {
            EventSettings settings = AllActions();
            settings.enabled = c.enabled;
            s.Configure(c.kind, settings);
        }
        s.h.ChangeApp([&](AppSettings& app) { app.ALLEVENT = c.allEvent; });
        for (const auto& [start, end] : c.ranges) {
            ASSERT_EQ(s.h.actionRanges.AppendRange(start, end), 0);
        }
        s.h.actions.RunEventActions(Node(c.node), c.kind, OWN);
        EXPECT_EQ(s.Traces(), c.expected);
        EXPECT_TRUE(s.h.prompt.Boxes().empty());
    }
}

TEST_F(EventActionsTest, ScreenAndLogFlagsAreEachTheirOwn) {
    struct Case {
        int screen, log;
        Lines expected;
    };
    const Case cases[] = {
        {0, 0, {"popup"}},
        {1, 0, {"row", "popup"}},
        {0, 1, {"log", "popup"}},
    };
    for (const auto& c : cases) {
        ActionsInFolder s;
        EventSettings settings;
        settings.enabled = 1;
        settings.screen = c.screen;
        settings.log = c.log;
        settings.popupText = "p";
        s.RaiseNodeUp(settings);
        EXPECT_EQ(s.Traces(), c.expected) << c.screen << c.log;
    }
}

TEST_F(EventActionsTest, ScreenRowShowsTheListedVendorAndTheExpandedMessage) {
    struct Case {
        MacAddress mac;
        std::string vendor;
        std::string information;
    };
    const Case cases[] = {
        {{0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E}, "SomeVendor", "LAB by SomeVendor"},
        // %VEN falls back to the MAC text; the vendor column stays empty.
        {{0x12, 0x34, 0x56, 0x00, 0x00, 0x01}, "", "LAB by 12-34-56-00-00-01"},
    };
    for (const auto& c : cases) {
        ActionsInFolder s;
        test::WriteBytes(ProgramFolder() / "maclist.ini", "[MAC]\r\n000A1B=SomeVendor\r\n");
        EventSettings settings;
        settings.enabled = 1;
        settings.screen = 1;
        settings.message = "%LABEL by %VEN";
        NodeRecord node = Node(NODE);
        node.mac = c.mac;
        s.RaiseNodeUp(settings, node);
        ListRow row;
        ASSERT_TRUE(s.h.eventList.GetRow(0, row));
        EXPECT_EQ(row.image, EVENT_NODE_UP);
        EXPECT_EQ(row.cells[EVENT_COL_VENDOR], c.vendor);
        EXPECT_EQ(row.cells[EVENT_COL_INFO], c.information);
        EXPECT_EQ(row.cells[EVENT_COL_DATETIME], "2005/07/10 09:05:03");
    }
}

TEST_F(EventActionsTest, BeepWinsOverTheSoundFile) {
    struct Case {
        int beep;
        std::string soundFile;
        Lines expected;
    };
    const Case cases[] = {
        {1, "/sounds/ding.wav", {"beep"}},
        {1, "", {"beep"}},
        {0, "/sounds/ding.wav", {"sound /sounds/ding.wav"}},
        {0, "", {}},
    };
    for (const auto& c : cases) {
        ActionsInFolder s;
        EventSettings settings;
        settings.enabled = 1;
        settings.beep = c.beep;
        settings.soundFile = c.soundFile;
        s.RaiseNodeUp(settings);
        EXPECT_EQ(s.h.desktop.Actions(), c.expected) << c.beep << c.soundFile;
    }
}

TEST_F(EventActionsTest, ExternalFileStartsWithItsParametersExpandedOneArgumentEach) {
    NodeRecord node = Node(NODE);
    node.host = "PC 01";  // a name from the network with a blank in it
    node.label = "x;rm -rf ~";
    struct Case {
        std::string filePath;
        Lines expected;
    };
    const Case cases[] = {
        {"/opt/My Tools/notify %IP %HOST", {"open /opt/My Tools/notify|192.168.0.20|PC 01"}},
        {"notify %LABEL", {"open notify|x;rm -rf ~"}},
        {"/usr/bin/notify ", {"open /usr/bin/notify"}},
        {"/usr/bin/notify   %IP  %MAC", {"open /usr/bin/notify|192.168.0.20|00-0A-1B-2C-3D-4E"}},
        // The path itself is never expanded.
        {"/tmp/%IP.sh %IP", {"open /tmp/%IP.sh|192.168.0.20"}},
        {"/srv/report.txt", {"open /srv/report.txt"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        ActionsInFolder s;
        EventSettings settings;
        settings.enabled = 1;
        settings.filePath = c.filePath;
        s.RaiseNodeUp(settings, node);
        EXPECT_EQ(s.h.desktop.Actions(), c.expected) << c.filePath;
    }
}

TEST_F(EventActionsTest, ArgumentsThatNoLongerFitTheParameterBufferAreLeftOut) {
    ActionsInFolder s;
    NodeRecord node = Node(NODE);
    node.label = std::string(100, 'L');
    EventSettings settings;
    settings.enabled = 1;
    settings.filePath = "/usr/bin/notify";
    for (int i = 0; i < 16; ++i) {
        settings.filePath += " %LABEL";  // 127 bytes in all, within the width of the text
    }
    s.RaiseNodeUp(settings, node);
    const Lines actions = s.h.desktop.Actions();
    ASSERT_EQ(actions.size(), 1u);
    // 100 bytes and a blank each: ten arguments take 1009 of the 1023 bytes.
    std::string expected = "open /usr/bin/notify";
    for (int i = 0; i < 10; ++i) {
        expected += "|" + node.label;
    }
    EXPECT_EQ(actions[0], expected);
}

TEST_F(EventActionsTest, PopupGetsKindNodeAndTheExpandedText) {
    ActionsInFolder s;
    EventSettings settings;
    settings.enabled = 1;
    settings.popupText = Sjis("盗聴 %IP");
    s.Configure(EVENT_SNIFFING_NODE, settings);
    s.h.actions.RunEventActions(Node(NODE), EVENT_SNIFFING_NODE, OWN);
    EXPECT_EQ(s.h.popup.Requests(), (std::vector<test::RecordingPopup::Request>{
                                        {EVENT_SNIFFING_NODE, NODE, Sjis("盗聴 192.168.0.20")}}));
}

TEST_F(EventActionsTest, MailOfARunIsOneMailOfItsLinesAndTheQueueIsGoneAfterwards) {
    for (int sendResult : {0, 1}) {
        SCOPED_TRACE(sendResult);
        test::TempProgramFolder folder;
        test::EventActionsHarness h;
        test::RecordingMailSender sender(h.mailQueue, sendResult);
        EventActions actions({h.settings, h.eventSettings, h.actionRanges, h.logs, h.eventList,
                              h.mailQueue, sender, h.popup, h.desktop});
        EventSettings withMail;
        withMail.enabled = 1;
        withMail.mailText = "%IP %HOST";
        ASSERT_GE(h.eventSettings.PutEventSettings(EVENT_NEW_NODE, withMail), 0);
        ASSERT_GE(h.eventSettings.PutEventSettings(EVENT_NODE_DOWN, withMail), 0);

        actions.FlushPendingMail();
        EXPECT_TRUE(sender.Mails().empty()) << "a run without mail lines sends nothing";

        NodeRecord other = Node(MakeIp(192, 168, 0, 30));
        other.host = "PC02";
        actions.RunEventActions(Node(NODE), EVENT_NEW_NODE, OWN);
        actions.RunEventActions(other, EVENT_NODE_DOWN, OWN);
        EXPECT_EQ(actions.MailPending(), 1);
        actions.FlushPendingMail();

        EXPECT_EQ(sender.Mails(), (std::vector<test::RecordingMailSender::Mail>{
                                      {0, {"192.168.0.20 PC01\n", "192.168.0.30 PC02\n"}}}));
        EXPECT_EQ(actions.MailPending(), 0);
        EXPECT_FALSE(std::filesystem::exists(TmpFolder() / "mail.na"));
        actions.FlushPendingMail();
        EXPECT_EQ(sender.Mails().size(), 1u);
    }
}

TEST_F(EventActionsTest, MailLineTheQueueCannotTakeLeavesNoMailPending) {
    ActionsInFolder s;
    EventSettings withMail;
    withMail.enabled = 1;
    withMail.mailText = "%IP";
    test::BlockedFile blocked(TmpFolder() / "mail.na");
    s.RaiseNodeUp(withMail);
    EXPECT_EQ(s.h.actions.MailPending(), 0);
    s.h.actions.FlushPendingMail();
    EXPECT_TRUE(s.h.mailSender.Mails().empty());
}

}  // namespace
}  // namespace halvera
