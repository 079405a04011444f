#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace halvera::test {

// Tests that need a second program start this test program again with a role: the
// started copy runs only the test of the given filter, which acts by its role and reports
// each step as one line on its standard output.
inline constexpr const char* ROLE_VARIABLE = "HALVERA_TEST_CHILD_ROLE";

// Empty outside a started copy.
inline QString ChildRole() {
    return QString::fromLocal8Bit(std::getenv(ROLE_VARIABLE));
}

inline void Say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

inline QProcess* StartSelf(const QString& role, const QString& filter,
                           const std::vector<std::string>& environment, QObject* parent) {
    auto* process = new QProcess(parent);
    QProcessEnvironment childEnvironment = QProcessEnvironment::systemEnvironment();
    childEnvironment.insert(QString::fromLatin1(ROLE_VARIABLE), role);
    for (const auto& entry : environment) {
        const auto equals = entry.find('=');
        childEnvironment.insert(QString::fromStdString(entry.substr(0, equals)),
                                QString::fromStdString(entry.substr(equals + 1)));
    }
    process->setProcessEnvironment(childEnvironment);
    // What the copy reports on its standard error (a failure, a sanitizer) shows with ours.
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--gtest_filter=") + filter});
    return process;
}

// Waits for the next whole line of the copy's output; `seen` keeps what was read so far
// (for the failure message) and `next` the position of the first line not yet taken.
inline bool NextLine(QProcess& process, QByteArray& seen, qsizetype& next, QByteArray& line) {
    const bool complete = QTest::qWaitFor(
        [&] {
            seen += process.readAllStandardOutput();
            return seen.indexOf('\n', next) >= 0;
        },
        20000);
    if (!complete) {
        return false;
    }
    const qsizetype end = seen.indexOf('\n', next);
    line = seen.mid(next, end - next);
    next = end + 1;
    return true;
}

// Waits until the copy says `line` (skipping any lines before it).
inline bool WaitForLine(QProcess& process, const QByteArray& line, QByteArray& seen) {
    return QTest::qWaitFor(
        [&] {
            seen += process.readAllStandardOutput();
            return seen.contains(line + '\n');
        },
        20000);
}

// waitForFinished answers false for a process that has already ended.
inline bool WaitForEnd(QProcess& process) {
    return process.state() == QProcess::NotRunning || process.waitForFinished(20000);
}

}  // namespace halvera::test
