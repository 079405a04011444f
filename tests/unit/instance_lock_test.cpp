#include "base/instance_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST(InstanceLock, FolderWithoutLockFile) {
    InstanceLock lock;
    EXPECT_FALSE(lock.Acquire("/nonexistent/halvera-folder"));
    EXPECT_NE(lock.Error(), "");
    EXPECT_EQ(lock.HolderPid(), 0);
}

}  // namespace
}  // namespace halvera
