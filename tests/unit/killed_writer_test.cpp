#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "base/atomic_replace.h"
#include "base/ini_file.h"
#include "base/program_folder.h"
#include "base/user_registry.h"
#include "lists/list_tables.h"
#include "store/log_store.h"
#include "store/settings_store.h"
#include "support/file_bytes.h"
#include "support/fixed_clock.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;

// Steps of a replace the child still takes before it is killed.
int g_stepsLeft = 0;

int KillAtChosenStep(ReplaceStep) {
    if (g_stepsLeft-- == 0) {
        raise(SIGKILL);
    }
    return 0;
}

// A writer that replaces a whole file: its old content, the rewrite under test, and what the
// program reads back from the file ("" when it reads nothing).
struct Writer {
    const char* name;
    std::function<fs::path(const fs::path& folder)> writeOld;
    std::function<bool(const fs::path& file)> writeNew;
    std::function<std::string(const fs::path& file)> read;
    std::string oldValue;
    std::string newValue;
};

std::string RegistryText(const fs::path& file) {
    UserRegistry registry(file);
    if (!registry.OpenKey()) {
        return "";
    }
    auto value = registry.QueryValue("smtpserver");
    return value ? std::get<std::string>(*value) : "";
}

// The error log as the program shows it: the messages of its rows, joined.
std::string ErrorLogMessages() {
    ListTable eventList(EVENT_LOG_COLUMNS);
    ListTable errorList(ERROR_LOG_COLUMNS);
    test::RecordingPrompt prompt;
    SettingsStore settings;
    LogStore store(eventList, errorList, prompt, settings);
    store.ReadErrorLog(nullptr, 0);
    std::string messages;
    for (const ListRow& row : errorList.Snapshot()) {
        messages += row.cells[2] + ";";
    }
    return messages;
}

bool DeleteErrorLogRow(int row) {
    ListTable eventList(EVENT_LOG_COLUMNS);
    ListTable errorList(ERROR_LOG_COLUMNS);
    test::RecordingPrompt prompt;
    SettingsStore settings;
    LogStore store(eventList, errorList, prompt, settings);
    return store.DeleteErrorLogRows({row}, nullptr) == 0;
}

const Writer WRITERS[] = {
    {"ini_file",
     [](const fs::path& folder) {
         fs::path file = folder / "Kelvane.ini";
         WriteIniString(file, "INIT", "ADPNAME", "eth0");
         WriteIniString(file, "INIT", "TIMEOUT", "100");
         return file;
     },
     [](const fs::path& file) { return WriteIniString(file, "INIT", "TIMEOUT", "250"); },
     [](const fs::path& file) { return std::to_string(ReadIniInt(file, "INIT", "TIMEOUT", 0)); },
     "100", "250"},
    {"user_registry",
     [](const fs::path& folder) {
         fs::path file = folder / "config" / "datareg.reg";
         UserRegistry registry(file);
         registry.CreateKey();
         registry.SetValue("smtpserver", std::string("old.example.com"));
         return file;
     },
     [](const fs::path& file) {
         UserRegistry registry(file);
         return registry.OpenKey() &&
                registry.SetValue("smtpserver", std::string("new.example.com"));
     },
     RegistryText, "old.example.com", "new.example.com"},
    {"log_deletion",
     [](const fs::path&) {
         ListTable eventList(EVENT_LOG_COLUMNS);
         ListTable errorList(ERROR_LOG_COLUMNS);
         test::RecordingPrompt prompt;
         SettingsStore settings;
         LogStore store(eventList, errorList, prompt, settings);
         for (const char* message : {"first", "second", "third"}) {
             store.WriteErrorLog("filed", message);
         }
         return LogFolder() / "alog.log";
     },
     [](const fs::path&) { return DeleteErrorLogRow(1); },
     [](const fs::path&) { return ErrorLogMessages(); }, "first;second;third;", "first;third;"},
};

// Runs the writer's rewrite in a child killed before its step k of the replace, for every k
// until the rewrite runs to its end: each time the file holds the whole old content or the
// whole new one, and the program reads it.
TEST(KilledWriter, FileIsWhollyOldOrWhollyNewAfterAKillAtEveryStep) {
    // The log lines carry the time they were written: one fixed time makes the new content
    // of every run the same bytes.
    test::FixedClock clock(2026, 12, 10, 8, 5, 3);
    test::ScopedClock scoped(clock);
    for (const Writer& w : WRITERS) {
        std::string newBytes;
        {
            test::TempProgramFolder folder;
            fs::path file = w.writeOld(folder.Path());
            ASSERT_TRUE(w.writeNew(file)) << w.name;
            newBytes = test::ReadBytes(file);
        }
        bool sawOld = false;
        bool completed = false;
        for (int k = 0; k < 50 && !completed; ++k) {
            test::TempProgramFolder folder;
            const fs::path file = w.writeOld(folder.Path());
            const std::string oldBytes = test::ReadBytes(file);
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                g_stepsLeft = k;
                SetReplaceStepHook(KillAtChosenStep);
                _exit(w.writeNew(file) ? 0 : 1);
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            completed = WIFEXITED(status);
            if (completed) {
                EXPECT_EQ(WEXITSTATUS(status), 0) << w.name << " step " << k;
            } else {
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << w.name;
            }
            const std::string bytes = test::ReadBytes(file);
            const std::string value = w.read(file);
            if (bytes == oldBytes) {
                EXPECT_EQ(value, w.oldValue) << w.name << " step " << k;
                sawOld = true;
            } else {
                EXPECT_EQ(bytes, newBytes) << w.name << " step " << k;
                EXPECT_EQ(value, w.newValue) << w.name << " step " << k;
            }
        }
        EXPECT_TRUE(completed) << w.name;
        EXPECT_TRUE(sawOld) << w.name;
    }
}

}  // namespace
}  // namespace halvera
