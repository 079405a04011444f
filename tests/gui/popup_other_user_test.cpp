#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/text_codec.h"
#include "events/popup_relay.h"
#include "store/event_kind.h"
#include "support/child_process.h"
#include "support/popup_program.h"
#include "support/recording_error_log.h"
#include "support/socket_as_user.h"
#include "support/temp_program_folder.h"
#include "support/xvfb_display.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;

// The relay's half of the test runs as the second user: this program started again by
// setpriv with the role in its environment, which runs only that half.
constexpr const char* ROLE_VARIABLE = "HALVERA_POPUP_RELAY_ROLE";
constexpr const char* RELAY_FILTER = "PopupOtherUser.RelayOfTheSecondUser";

// A user that the test adds to the machine (its own group, no home, no log-in) and removes
// again, with a folder of its own below the test's folder for what its programs write.
class TestUser {
  public:
    TestUser(const std::string& name, const fs::path& parent) : m_name(name) {
        test::RunProgram({"/usr/sbin/useradd", "--no-create-home", "--user-group", "--shell",
                          "/usr/sbin/nologin", m_name});
        if (const passwd* entry = ::getpwnam(m_name.c_str())) {
            m_uid = entry->pw_uid;
            m_gid = entry->pw_gid;
            m_home = parent / m_name;
            fs::create_directory(m_home);
            fs::permissions(m_home, fs::perms::owner_all);
            m_ready = ::chown(m_home.c_str(), m_uid, m_gid) == 0;
        }
    }
    ~TestUser() { test::RunProgram({"/usr/sbin/userdel", m_name}); }
    TestUser(const TestUser&) = delete;
    TestUser& operator=(const TestUser&) = delete;

    bool Ready() const { return m_ready; }
    uid_t Uid() const { return m_uid; }
    const fs::path& Home() const { return m_home; }
    // argv run as this user, with no other groups.
    std::vector<std::string> As(const std::vector<std::string>& argv) const {
        std::vector<std::string> command = {"/usr/bin/setpriv", "--reuid=" + std::to_string(m_uid),
                                            "--regid=" + std::to_string(m_gid), "--clear-groups"};
        command.insert(command.end(), argv.begin(), argv.end());
        return command;
    }
    // Its session: home, runtime folder and (where given) session bus in its folder.
    std::vector<std::string> Session(bool bus) const {
        return {"HOME=" + m_home.string(), "XDG_RUNTIME_DIR=" + m_home.string(),
                "DBUS_SESSION_BUS_ADDRESS=" +
                    (bus ? BusAddress() : "unix:path=/nonexistent/halvera-no-bus")};
    }
    std::string BusAddress() const { return "unix:path=" + (m_home / "bus").string(); }

  private:
    std::string m_name;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    fs::path m_home;
    bool m_ready = false;
};

// One datagram to the popup port of the loopback address from a socket of `uid`; the answer
// that comes within 1.5 s, or nothing.
std::optional<std::string> SendAs(uid_t uid, const std::string& text) {
    int socket = test::SocketAsUser(uid, SOCK_DGRAM);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(POPUP_PORT);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // A forger marks its text critical as the relay does.
    int tos = POPUP_CRITICAL_TOS;
    ::setsockopt(socket, IPPROTO_IP, IP_TOS, &tos, sizeof tos);
    ::connect(socket, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ::send(socket, text.data(), text.size(), 0);
    pollfd entry{socket, POLLIN, 0};
    char answer[128];
    std::optional<std::string> answered;
    if (::poll(&entry, 1, 1500) == 1) {
        ssize_t size = ::recv(socket, answer, sizeof answer, 0);
        if (size >= 0) {
            answered = std::string(answer, static_cast<std::size_t>(size));
        }
    }
    ::close(socket);
    return answered;
}

bool WindowShown(const test::XvfbDisplay& display) {
    return display.Run({"xdotool", "search", "--onlyvisible", "--name", "^Halvera$"}) == 0;
}

int PopupWindows(const test::XvfbDisplay& display) {
    const std::string ids = display.Output({"xdotool", "search", "--name", "^Halvera$"});
    return static_cast<int>(std::count(ids.begin(), ids.end(), '\n'));
}

// The bodies of what dunst has shown (closed first, so that its history holds them).
std::vector<std::string> DunstBodies(const TestUser& user) {
    const std::vector<std::string> session = user.Session(true);
    test::ProgramOutput(user.As({"dunstctl", "close-all"}), session);
    const std::string json = test::ProgramOutput(user.As({"dunstctl", "history"}), session);
    QJsonArray entries = QJsonDocument::fromJson(QByteArray::fromStdString(json))
                             .object()["data"]
                             .toArray()[0]
                             .toArray();
    std::vector<std::string> bodies;
    for (const auto& entry : entries) {
        bodies.push_back(entry.toObject()["body"].toObject()["data"].toString().toStdString());
    }
    return bodies;
}

bool NotificationServiceRuns(const TestUser& user) {
    return test::ProgramOutput(
               user.As({"dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                        "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                        "string:org.freedesktop.Notifications"}),
               user.Session(true))
               .find("boolean true") != std::string::npos;
}

// The second user's relay: a program folder without a popup program, its session bus from the
// environment. Says how the message went and what its error log holds.
TEST(PopupOtherUser, RelayOfTheSecondUser) {
    if (std::getenv(ROLE_VARIABLE) == nullptr) {
        GTEST_SKIP() << "runs only as the second user of the two-user test";
    }
    test::TempProgramFolder folder;
    test::RecordingErrorLog errorLog;
    PopupRelay relay(MakeIp(127, 0, 0, 1), errorLog);
    relay.InitPopupRelay();
    PopupDelivery delivery = relay.ShowPopupMessage(Sjis("盗聴ノード検出 198.18.7.30 <PC-01> & co"),
                                                    PopupUrgency::CRITICAL);
    std::printf("delivery %d\n", static_cast<int>(delivery));
    for (const auto& [tag, line] : errorLog.Lines()) {
        std::printf("log %s %s\n", tag.c_str(), Cp932ToUtf8Lossy(line).c_str());
    }
}

// Two users of one machine: the first one's popup program holds the port; the second one's
// datagrams, the test's own (root's) and its popup program get nowhere, and its relay shows
// its message through its own desktop's notification service.
TEST(PopupOtherUser, TheProgramServesOnlyItsOwnUser) {
    if (std::getenv(ROLE_VARIABLE) != nullptr) {
        GTEST_SKIP() << "the second user's copy runs only its relay";
    }
    if (::geteuid() != 0) {
        GTEST_SKIP() << "adding users needs root";
    }
    if (const std::string missing = test::RealPopupProgramMissing(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    test::XvfbDisplay display(false);
    if (!display.Ready()) {
        GTEST_SKIP() << display.Error();
    }
    test::TempProgramFolder folder;
    // Both users reach the test's folder, and the program built below the work tree.
    fs::permissions(folder.Path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const std::string suffix = std::to_string(::getpid());
    TestUser first("hvpopa" + suffix, folder.Path());
    TestUser second("hvpopb" + suffix, folder.Path());
    ASSERT_TRUE(first.Ready() && second.Ready());

    std::vector<std::string> firstEnvironment = display.Environment();
    for (const std::string& entry : first.Session(false)) {
        firstEnvironment.push_back(entry);
    }
    test::ChildProcess firstProgram(
        first.As({test::BuiltBrevlet().string(), std::string(POPUP_ARGUMENT)}), firstEnvironment);
    ASSERT_TRUE(test::WaitForPopupPortHeld());

    // Another user's text, however marked, is neither answered nor shown; the program's own
    // user learns the count with its next answer.
    EXPECT_EQ(SendAs(second.Uid(), Sjis("盗聴ノード検出 10.0.0.66")), std::nullopt);
    EXPECT_EQ(SendAs(0, Sjis("盗聴ノード検出 10.0.0.67")), std::nullopt) << "root's";
    EXPECT_FALSE(WindowShown(display));
    EXPECT_EQ(SendAs(first.Uid(), Sjis("新規ノード検出 10.0.0.5")), "OK foreign=2");
    EXPECT_TRUE(QTest::qWaitFor([&] { return WindowShown(display); }, 10000));
    EXPECT_EQ(SendAs(first.Uid(), "node up"), "OK");

    // The second user's own popup program cannot take the port, and says why.
    std::vector<std::string> secondEnvironment = display.Environment();
    for (const std::string& entry : second.Session(false)) {
        secondEnvironment.push_back(entry);
    }
    const std::string refusal =
        test::ProgramOutput(second.As({test::BuiltBrevlet().string(), std::string(POPUP_ARGUMENT)}),
                            secondEnvironment, true);
    EXPECT_NE(refusal.find("held by another user's program"), std::string::npos) << refusal;

    // The second user's relay, with dunst on a session bus of that user's own.
    test::ChildProcess bus(
        second.As({"dbus-daemon", "--session", "--nofork", "--address=" + second.BusAddress()}),
        second.Session(true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(second.Home() / "bus"); }, 10000));
    std::vector<std::string> dunstEnvironment = display.Environment();
    for (const std::string& entry : second.Session(true)) {
        dunstEnvironment.push_back(entry);
    }
    test::ChildProcess dunst(second.As({"dunst"}), dunstEnvironment);
    ASSERT_TRUE(QTest::qWaitFor([&] { return NotificationServiceRuns(second); }, 10000));
    const int windowsBefore = PopupWindows(display);
    std::vector<std::string> relayEnvironment = second.Session(true);
    relayEnvironment.push_back(std::string(ROLE_VARIABLE) + "=relay");
    const std::string relayOutput =
        test::ProgramOutput(second.As({fs::read_symlink("/proc/self/exe").string(),
                                       std::string("--gtest_filter=") + RELAY_FILTER}),
                            relayEnvironment);
    EXPECT_NE(
        relayOutput.find("delivery " + std::to_string(static_cast<int>(PopupDelivery::NOTIFIED))),
        std::string::npos)
        << relayOutput;
    EXPECT_EQ(relayOutput.find("log "), std::string::npos) << relayOutput;
    std::vector<std::string> bodies;
    // None within the time is for the comparison below to report.
    static_cast<void>(QTest::qWaitFor(
        [&] {
            bodies = DunstBodies(second);
            return !bodies.empty();
        },
        10000));
    // dunst reads markup: a name from the network comes escaped, to show as it is.
    EXPECT_EQ(bodies,
              std::vector<std::string>{"盗聴ノード検出 198.18.7.30 &lt;PC-01&gt; &amp; co"});
    EXPECT_EQ(PopupWindows(display), windowsBefore) << "the first user's program showed it";
}

}  // namespace
}  // namespace halvera
