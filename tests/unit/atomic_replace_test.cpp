#include "base/atomic_replace.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

#include "support/file_bytes.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

const std::string OLD_CONTENT = "[INIT]\r\nTIMEOUT=100\r\n";
const std::string NEW_HEAD = "[INIT]\r\n";
const std::string NEW_TAIL = "TIMEOUT=250\r\n";

Names FolderNames(const fs::path& folder) {
    Names names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// The step that fails, the how-manieth time it comes (from 1), and its error number.
ReplaceStep g_failStep = ReplaceStep::Done;
int g_failAt = 0;
int g_failError = 0;

int FailChosenStep(ReplaceStep step) {
    return step == g_failStep && --g_failAt == 0 ? g_failError : 0;
}

class AtomicReplaceTest : public testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(Folder());
        test::WriteBytes(Target(), OLD_CONTENT);
    }
    void TearDown() override { SetReplaceStepHook(nullptr); }

    // A folder of its own, so that nothing but the replace puts files there.
    fs::path Folder() const { return m_folder.Path() / "work"; }
    fs::path Target() const { return Folder() / "Kelvane.ini"; }

    test::TempProgramFolder m_folder;
};

TEST_F(AtomicReplaceTest, FailureAtAnyStepLeavesTheOldFileWholeAndNoTemporary) {
    struct Case {
        const char* name;
        ReplaceStep step;
        int occurrence;
        int error;
        bool adopted;  // a temporary the caller opened, as the stores do
        const char* description;
    };
    const Case cases[] = {
        {"create", ReplaceStep::Create, 1, EACCES, false, "create: Permission denied"},
        {"first_write", ReplaceStep::Write, 1, ENOSPC, false, "write: No space left on device"},
        {"write_midway", ReplaceStep::Write, 2, ENOSPC, false, "write: No space left on device"},
        {"sync", ReplaceStep::Sync, 1, EIO, false, "sync: Input/output error"},
        {"rename", ReplaceStep::Rename, 1, EXDEV, false, "rename: Invalid cross-device link"},
        {"adopted_write_midway", ReplaceStep::Write, 2, ENOSPC, true,
         "write: No space left on device"},
        {"adopted_sync", ReplaceStep::Sync, 1, EIO, true, "sync: Input/output error"},
    };
    SetReplaceStepHook(FailChosenStep);
    for (const auto& c : cases) {
        g_failStep = c.step;
        g_failAt = c.occurrence;
        g_failError = c.error;
        const fs::path fixed = Folder() / "Kelvane.ini.new";
        ReplaceResult result;
        {
            AtomicReplace replace =
                c.adopted ? AtomicReplace(Target(), fixed, std::fopen(fixed.c_str(), "w+e"))
                          : AtomicReplace(Target());
            replace.Write(NEW_HEAD);
            replace.Write(NEW_TAIL);
            result = replace.Commit();
            EXPECT_EQ(replace.Release(), nullptr) << c.name;
            // The temporary is gone at once, not only with the object.
            EXPECT_EQ(FolderNames(Folder()), Names{"Kelvane.ini"}) << c.name;
        }
        EXPECT_FALSE(result.Replaced()) << c.name;
        EXPECT_EQ(result.step, c.step) << c.name;
        EXPECT_EQ(result.error, c.error) << c.name;
        EXPECT_EQ(result.Describe(), c.description) << c.name;
        EXPECT_EQ(test::ReadBytes(Target()), OLD_CONTENT) << c.name;
    }
}

TEST_F(AtomicReplaceTest, FailedFolderSyncStillReportsTheNewFileInPlace) {
    SetReplaceStepHook(FailChosenStep);
    g_failStep = ReplaceStep::SyncFolder;
    g_failAt = 1;
    g_failError = EIO;
    ReplaceResult result = ReplaceFileContent(Target(), NEW_HEAD + NEW_TAIL);
    EXPECT_TRUE(result.Replaced());
    EXPECT_EQ(result.step, ReplaceStep::SyncFolder);
    EXPECT_EQ(test::ReadBytes(Target()), NEW_HEAD + NEW_TAIL);
    EXPECT_EQ(FolderNames(Folder()), Names{"Kelvane.ini"});
}

// A real short write: the file size limit lets the first bytes through, then refuses.
TEST_F(AtomicReplaceTest, WriteCutShortByTheFileSizeLimitKeepsTheOldFile) {
    const std::string big(64 * 1024, 'x');
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 1000;
        setrlimit(RLIMIT_FSIZE, &limit);
        ReplaceResult result = ReplaceFileContent(Target(), big);
        _exit(result.step == ReplaceStep::Write && result.error == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(test::ReadBytes(Target()), OLD_CONTENT);
    EXPECT_EQ(FolderNames(Folder()), Names{"Kelvane.ini"});
}

TEST_F(AtomicReplaceTest, FolderInTheTargetsPlaceFailsTheRename) {
    const fs::path folder = Folder() / "db";
    fs::create_directories(folder / "kept");
    ReplaceResult result = ReplaceFileContent(folder, "content");
    EXPECT_FALSE(result.Replaced());
    EXPECT_EQ(result.step, ReplaceStep::Rename);
    EXPECT_TRUE(fs::is_directory(folder / "kept"));
    EXPECT_EQ(FolderNames(Folder()), (Names{"Kelvane.ini", "db"}));
}

TEST_F(AtomicReplaceTest, NewFileTakesTheModeAsCreatedAndStaysOpenForItsOwner) {
    const mode_t previous = umask(022);
    struct Case {
        const char* name;
        mode_t mode;
        mode_t expected;
    };
    const Case cases[] = {{"default", 0666, 0644}, {"private", 0600, 0600}};
    for (const auto& c : cases) {
        AtomicReplace replace(Target(), c.mode);
        replace.Write(c.name);
        ASSERT_TRUE(replace.Commit().Replaced()) << c.name;
        std::FILE* file = replace.Release();
        ASSERT_NE(file, nullptr) << c.name;
        struct stat open {};
        struct stat onDisk {};
        ASSERT_EQ(fstat(fileno(file), &open), 0);
        ASSERT_EQ(stat(Target().c_str(), &onDisk), 0);
        EXPECT_EQ(open.st_ino, onDisk.st_ino) << c.name;
        EXPECT_EQ(onDisk.st_mode & 0777, c.expected) << c.name;
        std::fclose(file);
        EXPECT_EQ(test::ReadBytes(Target()), c.name);
    }
    umask(previous);
    EXPECT_TRUE(ReplaceFileContent(Folder() / "created.ini", "x").Replaced());
    EXPECT_EQ(test::ReadBytes(Folder() / "created.ini"), "x");
    EXPECT_EQ(FolderNames(Folder()), (Names{"Kelvane.ini", "created.ini"}));
}

}  // namespace
}  // namespace halvera
