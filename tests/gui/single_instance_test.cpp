#include "app/single_instance.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QTest>
#include <QUuid>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/main_frame.h"
#include "base/program_folder.h"
#include "frame_fixture.h"
#include "self_child.h"
#include "support/cli_process.h"
#include "support/temp_program_folder.h"
#include "support/xvfb_display.h"

namespace halvera {
namespace {

// The two processes are this test program again, on an X server of the test's own and with
// a socket name of their own, so a Halvera the user runs is never disturbed.
constexpr const char* NAME_VARIABLE = "HALVERA_TEST_INSTANCE_NAME";
const QString CHILD_FILTER = QStringLiteral("SingleInstanceChild.Run");

// The body of a started copy: "first" holds the name with a minimised main window and
// reports when a later start brought it to the front; "second" is that later start.
TEST(SingleInstanceChild, Run) {
    if (test::ChildRole().isEmpty()) {
        GTEST_SKIP() << "runs only inside the two-process test";
    }
    SingleInstance instance(QString::fromLocal8Bit(std::getenv(NAME_VARIABLE)));
    if (test::ChildRole() == QStringLiteral("second")) {
        test::Say(instance.Claim() ? QStringLiteral("claimed")
                                   : QStringLiteral("another instance runs"));
        return;
    }
    test::FrameFixture f;
    CMainFrame frame(f.services);
    QObject::connect(&instance, &SingleInstance::ActivationRequested, &frame,
                     &CMainFrame::BringToFront);
    ASSERT_TRUE(instance.Claim());
    frame.showMinimized();
    test::Say(QStringLiteral("listening"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame.isMinimized(); }, 20000));
    test::Say(frame.isVisible() ? QStringLiteral("restored") : QStringLiteral("still hidden"));
}

TEST(SingleInstance, ASecondStartEndsAndRaisesTheFirstWindow) {
    test::XvfbDisplay display(false);
    ASSERT_TRUE(display.Ready()) << display.Error();
    std::vector<std::string> environment = display.Environment();
    environment.push_back(std::string(NAME_VARIABLE) + "=halvera-test-" +
                          QUuid::createUuid().toString(QUuid::Id128).toStdString());
    QObject owner;
    QProcess* first = test::StartSelf(QStringLiteral("first"), CHILD_FILTER, environment, &owner);
    QByteArray firstOutput;
    ASSERT_TRUE(test::WaitForLine(*first, "listening", firstOutput)) << firstOutput.constData();

    QElapsedTimer secondRun;
    secondRun.start();
    QProcess* second = test::StartSelf(QStringLiteral("second"), CHILD_FILTER, environment, &owner);
    ASSERT_TRUE(test::WaitForEnd(*second));
    // Timing is reported, not asserted: the machine's load decides it.
    std::printf("second start ended after %lld ms\n", static_cast<long long>(secondRun.elapsed()));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(second->readAllStandardOutput().contains("another instance runs\n"));

    EXPECT_TRUE(test::WaitForLine(*first, "restored", firstOutput)) << firstOutput.constData();
    EXPECT_TRUE(test::WaitForEnd(*first));
    EXPECT_EQ(first->exitCode(), 0);
}

TEST(SingleInstance, TheFirstStartClaimsTheNameAgainAfterACrash) {
    const QString name =
        QStringLiteral("halvera-test-") + QUuid::createUuid().toString(QUuid::Id128);
    // A socket file left behind by a program that was killed: bound, never unlinked.
    const QByteArray path = QDir(QDir::tempPath()).filePath(name).toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<std::size_t>(path.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int leftover = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(leftover, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(leftover);
    ASSERT_TRUE(QFile::exists(QString::fromLocal8Bit(path)));

    SingleInstance instance(name);
    EXPECT_TRUE(instance.Claim());
    SingleInstance later(name);
    EXPECT_FALSE(later.Claim());
}

// One program per data folder: a second data folder is a second monitor, the same folder
// the same program.
TEST(SingleInstance, TheNameFollowsTheDataFolder) {
    test::TempProgramFolder first;
    test::TempProgramFolder second;
    SetDataFolder(first.Path());
    const QString firstName = SingleInstance::DefaultName();
    EXPECT_EQ(SingleInstance::DefaultName(), firstName);
    SetDataFolder(second.Path());
    EXPECT_NE(SingleInstance::DefaultName(), firstName);
    SetProgramFolder(first.Path());
}

// The program itself, in a program folder of its own (writable, so also its data folder),
// on the test's X server.
QProcess* StartProgram(const std::filesystem::path& folder,
                       const std::vector<std::string>& environment, QObject* owner) {
    auto* process = new QProcess(owner);
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const auto& entry : environment) {
        const auto equals = entry.find('=');
        variables.insert(QString::fromStdString(entry.substr(0, equals)),
                         QString::fromStdString(entry.substr(equals + 1)));
    }
    variables.insert(QStringLiteral("HOME"), QString::fromStdString(folder.string()));
    variables.insert(QStringLiteral("XDG_CONFIG_HOME"),
                     QString::fromStdString((folder / "config").string()));
    process->setProcessEnvironment(variables);
    process->start(QString::fromStdString((folder / "halvera").string()), {});
    return process;
}

TEST(SingleInstance, TwoDataFoldersRunSideBySideAndOneFolderRunsOnce) {
    test::XvfbDisplay display(false);
    ASSERT_TRUE(display.Ready()) << display.Error();
    test::TempProgramFolder first;
    test::TempProgramFolder second;
    const auto program = test::CliPath().parent_path() / "halvera";
    for (const auto* folder : {&first, &second}) {
        std::filesystem::copy_file(program, folder->Path() / "halvera");
    }
    QObject owner;
    QProcess* a = StartProgram(first.Path(), display.Environment(), &owner);
    QProcess* b = StartProgram(second.Path(), display.Environment(), &owner);
    ASSERT_TRUE(a->waitForStarted() && b->waitForStarted());
    // Both hold their data folder's lock once they are up.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return std::filesystem::exists(first.Path() / "halvera.lock") &&
                   std::filesystem::exists(second.Path() / "halvera.lock");
        },
        20000));
    // A second start on the first folder hands over to the running program and ends.
    QProcess* again = StartProgram(first.Path(), display.Environment(), &owner);
    ASSERT_TRUE(test::WaitForEnd(*again));
    EXPECT_EQ(again->exitCode(), 0);
    EXPECT_EQ(a->state(), QProcess::Running);
    EXPECT_EQ(b->state(), QProcess::Running);
    for (QProcess* process : {a, b}) {
        process->kill();
        process->waitForFinished();
    }
}

}  // namespace
}  // namespace halvera
