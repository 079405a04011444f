#include "base/instance_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/file_bytes.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

TEST(InstanceLock, OneHolderPerFolder) {
    test::TempProgramFolder folder;
    test::TempProgramFolder other;
    InstanceLock first;
    ASSERT_TRUE(first.Acquire(folder.Path())) << first.Error();

    InstanceLock second;
    EXPECT_FALSE(second.Acquire(folder.Path()));
    EXPECT_EQ(second.HolderPid(), getpid());
    EXPECT_EQ(second.Error(), "");
    EXPECT_TRUE(second.Acquire(other.Path())) << second.Error();

    first.Release();
    InstanceLock third;
    EXPECT_TRUE(third.Acquire(folder.Path())) << third.Error();
}

TEST(InstanceLock, HeldByAnotherProcessUntilItEnds) {
    test::TempProgramFolder folder;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock;
        const char answer = lock.Acquire(folder.Path()) ? 'y' : 'n';
        [[maybe_unused]] const ssize_t written = write(ready[1], &answer, 1);
        pause();
        _exit(0);
    }
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');

    InstanceLock lock;
    EXPECT_FALSE(lock.Acquire(folder.Path()));
    EXPECT_EQ(lock.HolderPid(), child);

    // A holder that is killed leaves no stale lock behind.
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(lock.Acquire(folder.Path())) << lock.Error();
    close(ready[0]);
    close(ready[1]);
}

TEST(InstanceLock, ARemovedLockFileLetsNoSecondProcessIn) {
    test::TempProgramFolder folder;
    InstanceLock first;
    ASSERT_TRUE(first.Acquire(folder.Path())) << first.Error();
    std::filesystem::remove(folder.Path() / InstanceLock::INSTANCE_LOCK_FILE);
    InstanceLock second;
    EXPECT_FALSE(second.Acquire(folder.Path()));
    EXPECT_EQ(second.Error(), "");
}

TEST(InstanceLock, ALinkInPlaceOfTheLockFileIsNeverFollowed) {
    test::TempProgramFolder folder;
    const auto target = folder.Path() / "target";
    test::WriteBytes(target, "keep");
    std::filesystem::create_symlink(target, folder.Path() / InstanceLock::INSTANCE_LOCK_FILE);
    InstanceLock lock;
    EXPECT_FALSE(lock.Acquire(folder.Path()));
    EXPECT_NE(lock.Error().find("halvera.lock"), std::string::npos) << lock.Error();
    EXPECT_EQ(test::ReadBytes(target), "keep");
}

TEST(InstanceLock, RootRefusesAFolderOtherUsersCanWrite) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root refuses such folders";
    }
    struct Case {
        const char* name;
        std::filesystem::perms perms;
        uid_t owner;
        bool refused;
    };
    const Case cases[] = {
        {"private", std::filesystem::perms(0700), 0, false},
        {"readable by all", std::filesystem::perms(0755), 0, false},
        {"writable by all", std::filesystem::perms(0777), 0, true},
        {"writable by all, sticky", std::filesystem::perms(01777), 0, true},
        {"owned by another user", std::filesystem::perms(0755), 65534, true},
    };
    for (const Case& c : cases) {
        test::TempProgramFolder folder;
        std::filesystem::permissions(folder.Path(), c.perms);
        ASSERT_EQ(chown(folder.Path().c_str(), c.owner, 0), 0);
        InstanceLock lock;
        EXPECT_EQ(lock.Acquire(folder.Path()), !c.refused) << c.name << ": " << lock.Error();
        EXPECT_EQ(lock.Error().find("other users can write") != std::string::npos, c.refused)
            << c.name << ": " << lock.Error();
        ASSERT_EQ(chown(folder.Path().c_str(), 0, 0), 0);
    }
}

// Below a folder of root's, db/, log/ and tmp/ hold the files root opens and replaces: one
// that another user may write, or a link in its place, would let that user plant links there.
TEST(InstanceLock, RootRefusesAWorkingFolderOtherUsersCanWriteOrALinkInItsPlace) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root refuses such folders";
    }
    struct Case {
        const char* name;
        const char* sub;
        std::filesystem::perms perms;
        uid_t owner;
        gid_t group;
        bool link;
        const char* refusal;  // nullptr: taken
    };
    const Case cases[] = {
        {"db/ root's alone", "db", std::filesystem::perms(0755), 0, 0, false, nullptr},
        {"log/ writable by root's group", "log", std::filesystem::perms(0775), 0, 0, false,
         nullptr},
        {"db/ owned by another user", "db", std::filesystem::perms(0755), 65534, 0, false,
         "other users can write"},
        {"log/ writable by all", "log", std::filesystem::perms(0777), 0, 0, false,
         "other users can write"},
        {"tmp/ writable by another group", "tmp", std::filesystem::perms(0775), 0, 100, false,
         "other users can write"},
        {"db/ a link to a folder of root's", "db", std::filesystem::perms(0755), 0, 0, true,
         "a link"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempProgramFolder folder;
        std::filesystem::permissions(folder.Path(), std::filesystem::perms(0755));
        const auto sub = folder.Path() / c.sub;
        std::filesystem::remove_all(sub);
        if (c.link) {
            std::filesystem::create_directory(folder.Path() / "elsewhere");
            std::filesystem::create_directory_symlink(folder.Path() / "elsewhere", sub);
        } else {
            std::filesystem::create_directory(sub);
            std::filesystem::permissions(sub, c.perms);
            ASSERT_EQ(chown(sub.c_str(), c.owner, c.group), 0);
        }
        InstanceLock lock;
        EXPECT_EQ(lock.Acquire(folder.Path()), c.refusal == nullptr) << lock.Error();
        if (c.refusal != nullptr) {
            EXPECT_NE(lock.Error().find(sub.string()), std::string::npos) << lock.Error();
            EXPECT_NE(lock.Error().find(c.refusal), std::string::npos) << lock.Error();
        }
    }
    // A working folder not yet made is made later by root itself.
    test::TempProgramFolder folder;
    std::filesystem::permissions(folder.Path(), std::filesystem::perms(0755));
    std::filesystem::remove_all(folder.Path() / "tmp");
    InstanceLock lock;
    EXPECT_TRUE(lock.Acquire(folder.Path())) << lock.Error();
}

TEST(InstanceLock, FolderWithoutLockFile) {
    InstanceLock lock;
    EXPECT_FALSE(lock.Acquire("/nonexistent/halvera-folder"));
    EXPECT_NE(lock.Error(), "");
    EXPECT_EQ(lock.HolderPid(), 0);
}

}  // namespace
}  // namespace halvera
