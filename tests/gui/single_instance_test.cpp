#include "app/single_instance.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
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

#include "app/main_frame.h"
#include "frame_fixture.h"

namespace halvera {
namespace {

// The two processes are this test program again, started with a role and a socket name of
// their own, so a Halvera the user runs is never disturbed.
constexpr const char* ROLE_VARIABLE = "HALVERA_TEST_INSTANCE_ROLE";
constexpr const char* NAME_VARIABLE = "HALVERA_TEST_INSTANCE_NAME";
constexpr const char* CHILD_FILTER = "--gtest_filter=SingleInstanceChild.Run";

QString Role() {
    return QString::fromLocal8Bit(std::getenv(ROLE_VARIABLE));
}

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// The body of a started process: "first" holds the name with a minimised main window and
// reports when a later start brought it to the front; "second" is that later start.
TEST(SingleInstanceChild, Run) {
    if (Role().isEmpty()) {
        GTEST_SKIP() << "runs only inside the two-process test";
    }
    SingleInstance instance(QString::fromLocal8Bit(std::getenv(NAME_VARIABLE)));
    if (Role() == QStringLiteral("second")) {
        Say(instance.Claim() ? "claimed" : "another instance runs");
        return;
    }
    test::FrameFixture f;
    CMainFrame frame(f.services);
    QObject::connect(&instance, &SingleInstance::ActivationRequested, &frame,
                     &CMainFrame::BringToFront);
    ASSERT_TRUE(instance.Claim());
    frame.showMinimized();
    Say("listening");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame.isMinimized(); }, 20000));
    Say(frame.isVisible() ? "restored" : "still hidden");
}

QProcess* StartChild(const QString& role, const QString& name, QObject* parent) {
    auto* process = new QProcess(parent);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ROLE_VARIABLE), role);
    environment.insert(QString::fromLatin1(NAME_VARIABLE), name);
    process->setProcessEnvironment(environment);
    process->start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(CHILD_FILTER)});
    return process;
}

bool WaitForLine(QProcess& process, const QByteArray& line, QByteArray& seen) {
    return QTest::qWaitFor(
        [&] {
            seen += process.readAllStandardOutput();
            return seen.contains(line + '\n');
        },
        20000);
}

// waitForFinished answers false for a process that has already ended.
bool WaitForEnd(QProcess& process) {
    return process.state() == QProcess::NotRunning || process.waitForFinished(20000);
}

TEST(SingleInstance, ASecondStartEndsAndRaisesTheFirstWindow) {
    const QString name =
        QStringLiteral("halvera-test-") + QUuid::createUuid().toString(QUuid::Id128);
    QObject owner;
    QProcess* first = StartChild(QStringLiteral("first"), name, &owner);
    QByteArray firstOutput;
    ASSERT_TRUE(WaitForLine(*first, "listening", firstOutput)) << firstOutput.constData();

    QProcess* second = StartChild(QStringLiteral("second"), name, &owner);
    ASSERT_TRUE(WaitForEnd(*second));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(second->readAllStandardOutput().contains("another instance runs\n"));

    EXPECT_TRUE(WaitForLine(*first, "restored", firstOutput)) << firstOutput.constData();
    EXPECT_TRUE(WaitForEnd(*first));
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

}  // namespace
}  // namespace halvera
