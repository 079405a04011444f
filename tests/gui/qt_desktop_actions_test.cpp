#include "app/qt_desktop_actions.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <cstdint>
#include <string>

#include "support/file_bytes.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using namespace std::chrono_literals;

std::string Le32(std::uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

// An 8 kHz, 8-bit mono WAV file of the given length.
std::string Wav(int milliseconds) {
    const std::string samples(static_cast<std::size_t>(8 * milliseconds), '\x80');
    const std::string fmt = std::string("\x01\x00\x01\x00", 4) + Le32(8000) + Le32(8000) +
                            std::string("\x01\x00\x08\x00", 4);
    const std::string chunks = "fmt " + Le32(16) + fmt + "data" +
                               Le32(static_cast<std::uint32_t>(samples.size())) + samples;
    return "RIFF" + Le32(static_cast<std::uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

TEST(QtDesktopActions, ASoundIsSkippedWhileAnEarlierOnePlays) {
    test::TempProgramFolder folder;
    const std::string first = (folder.Path() / "first.wav").string();
    const std::string second = (folder.Path() / "second.wav").string();
    const std::string noSound = (folder.Path() / "notes.wav").string();
    test::WriteBytes(first, Wav(500));
    test::WriteBytes(second, Wav(200));
    test::WriteBytes(noSound, "not a sound");

    auto now = std::chrono::steady_clock::time_point{} + 1h;
    QtDesktopActions actions(nullptr, [&] { return now; });
    QSignalSpy started(&actions, &QtDesktopActions::SoundStarted);

    struct Step {
        std::chrono::milliseconds at;  // since the first sound
        const std::string* file;
        bool plays;
    };
    const Step steps[] = {
        // A file that is no sound plays nothing and blocks nothing.
        {0ms, &noSound, false},  {0ms, &first, true},    {100ms, &second, false},
        {499ms, &second, false}, {500ms, &second, true}, {650ms, &first, false},
        {700ms, &first, true},
    };
    const auto start = now;
    for (const auto& step : steps) {
        now = start + step.at;
        started.clear();
        actions.PlaySound(*step.file);
        QTest::qWait(0);
        QCoreApplication::processEvents();
        ASSERT_EQ(started.count(), step.plays ? 1 : 0) << *step.file << " at " << step.at.count();
        if (step.plays) {
            EXPECT_EQ(started[0][0].toString().toStdString(), *step.file);
        }
    }
}

TEST(QtDesktopActions, ExecutablesAreStartedWithTheirArguments) {
    test::TempProgramFolder folder;
    const auto script = folder.Path() / "record.sh";
    const auto out = folder.Path() / "out.txt";
    test::WriteBytes(script, "#!/bin/sh\nprintf '%s|' \"$@\" > \"" + out.string() +
                                 ".tmp\"\nmv \"" + out.string() + ".tmp\" \"" + out.string() +
                                 "\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);

    QtDesktopActions actions;
    // The arguments hold names from the network: no shell may interpret them.
    const std::string injected = "$(touch " + (folder.Path() / "pwned").string() + ")";
    actions.OpenFile(script.string(), {"192.168.0.5", injected, "a;b"});
    for (int i = 0; i < 200 && !std::filesystem::exists(out); ++i) {
        QTest::qWait(10);
    }
    EXPECT_EQ(test::ReadBytes(out), "192.168.0.5|" + injected + "|a;b|");
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "pwned"));
}

}  // namespace
}  // namespace halvera
