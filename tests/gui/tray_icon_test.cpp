#include <gtest/gtest.h>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

#include <string>
#include <thread>
#include <vector>

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "base/text_codec.h"
#include "frame_fixture.h"
#include "self_child.h"
#include "support/xvfb_display.h"

namespace halvera {
namespace {

// The program runs on a real X server (Xvfb, with trayer as its tray) in a started copy of
// this test program. The copy says where to click ("click double|right|left X Y") and the
// test clicks there with xdotool, as a user's mouse would; "start tray" starts the tray;
// "step ..." reports what the copy saw happen; "done" ends it.
const QString CHILD_FILTER = QStringLiteral("TrayChild.Run");

void Ask(const char* click, QPoint at) {
    test::Say(QStringLiteral("click %1 %2 %3").arg(QLatin1String(click)).arg(at.x()).arg(at.y()));
}

QPoint IconCentre(const QSystemTrayIcon& tray) {
    return tray.geometry().center();
}

// Opens the tray menu with a right click and asks for a click on its item at `index`
// ("表示", then "終了").
void ChooseFromTrayMenu(const QSystemTrayIcon& tray, int index) {
    Ask("right", IconCentre(tray));
    QMenu* menu = tray.contextMenu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 20000));
    QList<QAction*> items = menu->actions();
    items.removeIf([](QAction* action) { return action->isSeparator(); });
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), QStringLiteral("表示"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("終了"));
    Ask("left", menu->mapToGlobal(menu->actionGeometry(items[index]).center()));
}

// Until the tray has taken the icon in, the icon is a window of its own at the origin.
bool WaitForIconInTray(const QSystemTrayIcon& tray) {
    return QTest::qWaitFor(
        [&] { return tray.geometry().isValid() && tray.geometry().topLeft() != QPoint(0, 0); },
        20000);
}

// Hidden to the tray, the window is gone from the screen, not minimised; a double click on
// the icon brings it back.
void HideAndDoubleClick(CMainFrame& frame, const QSystemTrayIcon& tray) {
    frame.Actions().Trigger(ID_FILE_TO_TRAY);
    EXPECT_FALSE(frame.isVisible());
    EXPECT_FALSE(frame.isMinimized());
    Ask("double", IconCentre(tray));
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isVisible(); }, 20000));
    test::Say(QStringLiteral("step shown by a double click"));
}

// "tray": the tray is there before the program; "late": it starts after the program.
TEST(TrayChild, Run) {
    if (test::ChildRole().isEmpty()) {
        GTEST_SKIP() << "runs only inside the tray tests";
    }
    const bool late = test::ChildRole() == QStringLiteral("late");
    if (!late) {
        ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 20000))
            << "trayer gave no tray";
    }
    test::FrameFixture f;
    CMainFrame frame(f.services);
    auto* tray = frame.findChild<QSystemTrayIcon*>();
    ASSERT_NE(tray, nullptr);
    // Away from the tray in the bottom right corner: there is no window manager to keep them
    // apart, and a click on the icon must reach the icon.
    frame.setGeometry(40, 40, 640, 480);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));

    if (late) {
        ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
        frame.Actions().Trigger(ID_FILE_TO_TRAY);
        EXPECT_TRUE(frame.isMinimized());
        frame.BringToFront();
        ASSERT_TRUE(frame.isVisible());
        test::Say(QStringLiteral("step minimised while there is no tray"));
        test::Say(QStringLiteral("start tray"));
        ASSERT_TRUE(WaitForIconInTray(*tray));
        HideAndDoubleClick(frame, *tray);
        test::Say(QStringLiteral("done"));
        return;
    }

    ASSERT_TRUE(WaitForIconInTray(*tray));
    HideAndDoubleClick(frame, *tray);

    frame.Actions().Trigger(ID_FILE_TO_TRAY);
    ASSERT_FALSE(frame.isVisible());
    ChooseFromTrayMenu(*tray, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isVisible(); }, 20000));
    test::Say(QStringLiteral("step shown by the menu"));

    QSignalSpy closed(&frame, &CMainFrame::FrameClosed);
    ChooseFromTrayMenu(*tray, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed.count() == 1; }, 20000));
    EXPECT_FALSE(tray->isVisible());
    test::Say(QStringLiteral("step closed by the menu"));
    test::Say(QStringLiteral("done"));
}

// Runs the copy in a role on the display, doing what it asks, and gives the steps it saw.
QStringList RunChild(test::XvfbDisplay& display, const QString& role) {
    QObject owner;
    QProcess* child = test::StartSelf(role, CHILD_FILTER, display.Environment(), &owner);
    QByteArray seen;
    qsizetype next = 0;
    QByteArray line;
    QStringList steps;
    while (test::NextLine(*child, seen, next, line) && line != "done") {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 4 && words[0] == "click") {
            const std::string click = words[1].toStdString();
            // No --sync: it waits for a motion, and there is none when the pointer is there
            // already.
            std::vector<std::string> command{"xdotool", "mousemove", words[2].toStdString(),
                                             words[3].toStdString(), "click"};
            if (click == "double") {
                command.insert(command.end(), {"--repeat", "2", "--delay", "80"});
            }
            command.push_back(click == "right" ? "3" : "1");
            EXPECT_EQ(display.Run(command), 0) << line.constData();
        } else if (line == "start tray") {
            display.StartTray();
        } else if (line.startsWith("step ")) {
            steps.push_back(QString::fromUtf8(line.mid(5)));
        }
    }
    EXPECT_TRUE(test::WaitForEnd(*child)) << seen.constData();
    EXPECT_EQ(child->exitCode(), 0) << seen.constData();
    return steps;
}

TEST(TrayIcon, HidesTheWindowAndBringsItBackByDoubleClickAndByItsMenu) {
    test::XvfbDisplay display(true);
    ASSERT_TRUE(display.Ready()) << display.Error();
    EXPECT_EQ(
        RunChild(display, QStringLiteral("tray")),
        (QStringList{QStringLiteral("shown by a double click"), QStringLiteral("shown by the menu"),
                     QStringLiteral("closed by the menu")}));
}

TEST(TrayIcon, AppearsWhenTheTrayStartsAfterTheProgram) {
    test::XvfbDisplay display(false);
    ASSERT_TRUE(display.Ready()) << display.Error();
    EXPECT_EQ(RunChild(display, QStringLiteral("late")),
              (QStringList{QStringLiteral("minimised while there is no tray"),
                           QStringLiteral("shown by a double click")}));
}

QImage IconImage(const QSystemTrayIcon& tray) {
    return tray.icon().pixmap(22, 22).toImage();
}

// The tooltip and the icon follow the banner's counts as each summary sets them; offscreen,
// where the icon keeps both although no tray shows it.
TEST(TrayIcon, ItsTooltipShowsTheBannersCountsAndItsIconASniffingNode) {
    test::FrameFixture f;
    CMainFrame frame(f.services);
    auto* tray = frame.findChild<QSystemTrayIcon*>();
    ASSERT_NE(tray, nullptr);
    f.banner.SetSummaryText();
    const QImage normal = IconImage(*tray);
    ASSERT_FALSE(normal.isNull());

    struct Case {
        const char* name;
        std::vector<const char*> marks;
        QString tooltip;
        bool sniffingIcon;
    } cases[] = {
        {"empty list",
         {},
         QStringLiteral("ノード数： 0 [ 稼動： 0 / 停止： 0 / 盗聴： 0 ]  稼働率： 0%"),
         false},
        {"a sniffing node among others",
         {".", "x", "", "."},
         QStringLiteral("ノード数： 4 [ 稼動： 2 / 停止： 1 / 盗聴： 1 ]  稼働率：75%"),
         true},
        {"the sniffing node is up again",
         {".", ".", "", "."},
         QStringLiteral("ノード数： 4 [ 稼動： 3 / 停止： 1 / 盗聴： 0 ]  稼働率：75%"),
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        f.tables.nodeList.Clear();
        int n = 1;
        for (const char* mark : c.marks) {
            f.tables.nodeList.Append(test::NodeRow("192.168.0." + std::to_string(n++), mark, true));
        }
        // From another thread, as a search run sets it when it ends.
        std::thread([&] { f.banner.SetSummaryText(); }).join();
        const QString tooltip = QStringLiteral("Halvera - v1.00\n") + c.tooltip;
        ASSERT_TRUE(QTest::qWaitFor([&] { return tray->toolTip() == tooltip; }, 5000))
            << tray->toolTip().toStdString();
        EXPECT_EQ(IconImage(*tray) != normal, c.sniffingIcon);

        // A run's progress line leaves the counts of the list as they were.
        f.banner.SetSummaryText(Sjis("【ノード検索】 192.168.0.20 検索中 . . ."));
        QCoreApplication::processEvents();
        EXPECT_EQ(tray->toolTip(), tooltip);
        EXPECT_EQ(IconImage(*tray) != normal, c.sniffingIcon);
    }
}

}  // namespace
}  // namespace halvera
