#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "events/popup_relay.h"
#include "store/event_kind.h"
#include "support/child_process.h"
#include "support/popup_program.h"
#include "support/recording_error_log.h"
#include "support/temp_program_folder.h"
#include "support/xvfb_display.h"

namespace halvera {
namespace {

const Ipv4 LOOPBACK = MakeIp(127, 0, 0, 1);

// The relay starts the popup program with the test's own environment: these variables hold
// what it is to find (X server, session bus) while the object lives.
class ScopedEnvironment {
  public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() {
        for (const auto& [name, value] : m_saved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }
    // value nullptr: the variable is removed.
    void Set(const std::string& name, const char* value) {
        if (m_saved.count(name) == 0) {
            const char* old = std::getenv(name.c_str());
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) {
            setenv(name.c_str(), value, 1);
        } else {
            unsetenv(name.c_str());
        }
    }

  private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

bool OnPath(const char* program) {
    std::stringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
    for (std::string folder; std::getline(path, folder, ':');) {
        if (::access((std::filesystem::path(folder) / program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// dunst's configuration: each urgency writes its name before the text it formats, so the
// history tells which urgency dunst gave a notification; the program's icon comes from the
// source tree.
void WriteDunstConfig(const std::filesystem::path& file) {
    std::ofstream out(file);
    out << "[global]\n    markup = full\n    icon_path = " HALVERA_SOURCE_DIR
           "/res/icons/hicolor/48x48/apps\n";
    for (const char* urgency : {"low", "normal", "critical"}) {
        out << "[urgency_" << urgency << "]\n    format = \"" << urgency << " %s\\n%b\"\n";
    }
}

// One notification of dunst's history.
struct Shown {
    std::string app;
    std::string summary;
    std::string body;
    std::string message;  // as formatted: the urgency first
    std::string icon;
};

// Closes what dunst shows and reads its history, once it holds `count` notifications (or
// after ten seconds).
std::vector<Shown> DunstHistory(std::size_t count) {
    std::vector<Shown> history;
    // Fewer than `count` are left for the caller to report.
    static_cast<void>(QTest::qWaitFor(
        [&] {
            test::ProgramOutput({"dunstctl", "close-all"});
            const std::string json = test::ProgramOutput({"dunstctl", "history"});
            QJsonArray entries = QJsonDocument::fromJson(QByteArray::fromStdString(json))
                                     .object()["data"]
                                     .toArray()[0]
                                     .toArray();
            history.clear();
            for (const auto& entry : entries) {
                auto field = [&](const char* name) {
                    return entry.toObject()[name].toObject()["data"].toString().toStdString();
                };
                history.push_back({field("appname"), field("summary"), field("body"),
                                   field("message"), field("icon_path")});
            }
            return history.size() >= count;
        },
        10000));
    return history;
}

// Whether the notification service has its name on the bus. Asked with dbus-send: dunstctl
// would have the bus start a second dunst from its service file while the first one is not
// yet registered, and the test process keeps no bus connection of its own.
bool NotificationServiceRuns() {
    return test::ProgramOutput({"dbus-send", "--session", "--print-reply",
                                "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                "org.freedesktop.DBus.NameHasOwner",
                                "string:org.freedesktop.Notifications"})
               .find("boolean true") != std::string::npos;
}

// The popup program's own window on the X server.
bool OwnWindowShown(const test::XvfbDisplay& display) {
    return display.Run({"xdotool", "search", "--onlyvisible", "--name", "^Halvera$"}) == 0;
}

// The real popup program, started by the real relay, on an X server and (where the case has
// them) a session bus of the test's own, as dbus-run-session gives one, and dunst as the
// desktop's notification service.
TEST(DesktopNotification, TheServiceShowsTheMessagesOrTheProgramItsOwnWindows) {
    if (!std::filesystem::exists(test::BuiltBrevlet())) {
        GTEST_SKIP() << "the popup program was not built";
    }
    for (const char* program : {"dbus-daemon", "dbus-send", "dunst", "dunstctl", "xdotool"}) {
        ASSERT_TRUE(OnPath(program))
            << program << " is missing: ./scripts/setup.sh --tests installs it";
    }
    if (!test::PopupPortFree()) {
        GTEST_SKIP() << "UDP port 20100 is taken on this machine";
    }
    test::XvfbDisplay display(false);
    if (!display.Ready()) {
        GTEST_SKIP() << display.Error();
    }
    // A name from the network is text, never markup.
    const std::string newNode = "新規ノード検出 198.18.7.20 <PC-01> & co";
    const std::string sniffing = "盗聴ノード検出 198.18.7.30";

    struct Case {
        const char* name;
        bool bus;
        bool service;
    } cases[] = {
        {"dunst on the session bus", true, true},
        // dunst's service file would let the bus start it on demand, on this display: the
        // program must not ask for that.
        {"a session bus without a notification service", true, false},
        {"no session bus", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempProgramFolder folder;
        std::filesystem::create_symlink(test::BuiltBrevlet(), BinFolder() / "Brevlet");
        const std::string address = "unix:path=" + (folder.Path() / "bus").string();
        ScopedEnvironment environment;
        environment.Set("DISPLAY", display.Name().c_str());
        environment.Set("QT_QPA_PLATFORM", "xcb");
        environment.Set("DBUS_SESSION_BUS_ADDRESS", c.bus ? address.c_str() : nullptr);
        std::unique_ptr<test::ChildProcess> bus;
        std::unique_ptr<test::ChildProcess> dunst;
        if (c.bus) {
            bus = std::make_unique<test::ChildProcess>(std::vector<std::string>{
                "dbus-daemon", "--session", "--nofork", "--address=" + address});
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return std::filesystem::exists(folder.Path() / "bus"); }, 10000));
        }
        if (c.service) {
            WriteDunstConfig(folder.Path() / "dunstrc");
            dunst = std::make_unique<test::ChildProcess>(
                std::vector<std::string>{"dunst", "-config", (folder.Path() / "dunstrc").string()});
            ASSERT_TRUE(QTest::qWaitFor(NotificationServiceRuns, 10000));
        }
        test::RecordingErrorLog errorLog;
        PopupRelay relay(LOOPBACK, errorLog);
        relay.InitPopupRelay();
        PopupPort& port = relay;
        port.ShowPopupMessage(EVENT_NEW_NODE, NodeRecord{}, Sjis(newNode));
        port.ShowPopupMessage(EVENT_SNIFFING_NODE, NodeRecord{}, Sjis(sniffing));
        EXPECT_TRUE(errorLog.Lines().empty());

        if (c.service) {
            auto history = DunstHistory(2);
            ASSERT_EQ(history.size(), 2u);
            std::map<std::string, Shown> byUrgency;
            for (const Shown& shown : history) {
                EXPECT_EQ(shown.app, "Halvera");
                EXPECT_EQ(shown.summary, "Halvera");
                EXPECT_EQ(std::filesystem::path(shown.icon).filename(), "halvera.png");
                byUrgency[shown.message.substr(0, shown.message.find(' '))] = shown;
            }
            // dunst reads markup, so the text comes escaped and shows as it is.
            EXPECT_EQ(byUrgency["normal"].body,
                      "新規ノード検出 198.18.7.20 &lt;PC-01&gt; &amp; co");
            EXPECT_EQ(byUrgency["critical"].body, sniffing);
            EXPECT_FALSE(OwnWindowShown(display));
        } else {
            EXPECT_TRUE(QTest::qWaitFor([&] { return OwnWindowShown(display); }, 10000));
        }
        relay.EndPopupProgram();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !OwnWindowShown(display); }, 5000));
    }
}

}  // namespace
}  // namespace halvera
