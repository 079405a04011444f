#include "net/monitor_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/file_opener.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "lists/summary_banner.h"
#include "store/settings_files.h"
#include "support/fake_packet_driver.h"
#include "support/file_bytes.h"
#include "support/recording_desktop_actions.h"
#include "support/recording_popup.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;

class MonitorEngineTest : public ::testing::Test {
  protected:
    // A log that cannot be opened fails at once instead of after the stores' retries.
    MonitorEngineTest() {
        SetRetryWait([](std::chrono::milliseconds) {});
    }
    ~MonitorEngineTest() override { SetRetryWait(nullptr); }
};

// A first start on a program folder that has only its settings file, with a registry key
// that lacks the mail values: the settings report that to the error log, which lives in
// log/, before the logs are opened.
TEST_F(MonitorEngineTest, OpeningAFolderWithoutWorkingFoldersKeepsTheSettingsErrors) {
    test::TempProgramFolder folder;
    for (const fs::path& sub : {DbFolder(), TmpFolder(), LogFolder(), BinFolder()}) {
        fs::remove_all(sub);
    }
    test::WriteBytes(SettingsFilePath(), "[INIT]\r\n");
    const fs::path registry = folder.Path() / "datareg.reg";
    test::WriteBytes(registry, "REGEDIT4\r\n\r\n[" + std::string(USER_REGISTRY_KEY) + "]\r\n");

    test::RecordingPrompt prompt;
    test::RecordingPopup popup;
    test::RecordingDesktopActions desktop;
    SettingsStore settings;
    ListTables tables;
    SummaryBanner banner(tables.nodeList, [] { return PollingState{}; });
    MonitorEngineOptions options;
    options.registryPath = registry;
    options.driver = std::make_unique<test::FakePacketDriver>();
    MonitorEngine engine(settings, tables, banner, {prompt, popup, desktop}, std::move(options));

    EXPECT_TRUE(engine.Open());
    // One box for the settings, none for a log that could not be written.
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{Sjis("設定データの読込みに失敗しました。")});
    const std::string errorLog = test::ReadBytes(LogFolder() / "alog.log");
    EXPECT_NE(errorLog.find("confd,"), std::string::npos) << Cp932ToUtf8Lossy(errorLog);
    EXPECT_NE(errorLog.find(Sjis("設定データの読込みに失敗しました")), std::string::npos);
}

}  // namespace
}  // namespace halvera
