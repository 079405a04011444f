#include "base/file_opener.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "base/program_folder.h"
#include "support/file_bytes.h"
#include "support/no_free_descriptor.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

class FileOpenerTest : public testing::Test {
  protected:
    void SetUp() override {
        SetRetryWait([this](std::chrono::milliseconds wait) { m_waits.push_back(wait.count()); });
    }
    void TearDown() override { SetRetryWait(nullptr); }

    test::TempProgramFolder m_folder;
    std::vector<long> m_waits;
};

TEST_F(FileOpenerTest, FailedOpenRetriesFiveTimesWithDoublingWaits) {
    const auto path = m_folder.Path() / "log.log";
    {
        test::NoFreeDescriptor limit;
        EXPECT_EQ(OpenDataFile(path, FileFamily::Appending, OPEN_APPEND), nullptr);
        EXPECT_EQ(errno, EMFILE);
    }
    EXPECT_EQ(m_waits, (std::vector<long>{5000, 10000, 20000, 40000, 80000}));
}

TEST_F(FileOpenerTest, AnErrorThatPassesDuringAWaitOpensTheFile) {
    test::NoFreeDescriptor limit;
    SetRetryWait([&](std::chrono::milliseconds wait) {
        m_waits.push_back(wait.count());
        if (m_waits.size() == 2) {
            limit.Restore();
        }
    });
    std::FILE* file = OpenDataFile(m_folder.Path() / "log.log", FileFamily::Appending, OPEN_APPEND);
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_EQ(m_waits, (std::vector<long>{5000, 10000}));
}

// Waiting cannot mend these: the caller reports at once instead of minutes later.
TEST_F(FileOpenerTest, AnErrorThatCannotPassFailsWithoutWaiting) {
    const auto folder = m_folder.Path();
    test::WriteBytes(folder / "plain", "");
    std::filesystem::create_directory(folder / "folder");
    std::filesystem::create_symlink("loop", folder / "loop");
    struct Case {
        const char* name;
        std::filesystem::path path;
        FileFamily family;
        int openMode;
        int error;
    };
    const Case cases[] = {
        {"a link to itself, read", folder / "loop", FileFamily::Appending, OPEN_READ, ELOOP},
        {"a link, appended to", folder / "loop", FileFamily::Appending, OPEN_APPEND, ELOOP},
        {"a link, updated", folder / "loop", FileFamily::Binary, OPEN_UPDATE, ELOOP},
        {"a folder in the file's place", folder / "folder", FileFamily::Appending, OPEN_WRITE,
         EISDIR},
        {"a plain file in the folder's place", folder / "plain" / "log.log", FileFamily::Appending,
         OPEN_APPEND, ENOTDIR},
        {"a missing folder", folder / "missing" / "log.log", FileFamily::Record, OPEN_CREATE,
         ENOENT},
        {"a missing file read", folder / "none.log", FileFamily::Appending, OPEN_READ, ENOENT},
    };
    for (const Case& c : cases) {
        m_waits.clear();
        EXPECT_EQ(OpenDataFile(c.path, c.family, c.openMode), nullptr) << c.name;
        EXPECT_EQ(errno, c.error) << c.name;
        EXPECT_TRUE(m_waits.empty()) << c.name;
    }
}

TEST_F(FileOpenerTest, SuccessfulOpenDoesNotWaitAndIsNotInheritedByChildren) {
    std::FILE* file = OpenDataFile(DbFolder() / "EventDB.na", FileFamily::Record, OPEN_UPDATE);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(fcntl(fileno(file), F_GETFD) & FD_CLOEXEC);
    std::fclose(file);
    EXPECT_TRUE(m_waits.empty());
}

TEST_F(FileOpenerTest, ModeThatOpensNothingNeitherOpensNorWaits) {
    EXPECT_EQ(OpenDataFile(DbFolder() / "x.na", FileFamily::Binary, OPEN_APPEND), nullptr);
    EXPECT_EQ(OpenDataFile(DbFolder() / "x.na", FileFamily::Record, 3), nullptr);
    EXPECT_TRUE(m_waits.empty());
    EXPECT_FALSE(std::filesystem::exists(DbFolder() / "x.na"));
}

// Whoever may write a working folder may put a link there, to a file only root may read or
// write: no mode reads, writes, cuts or creates through a link, neither at the file nor at
// its folder.
TEST_F(FileOpenerTest, NoModeFollowsALinkAtTheFileOrItsFolder) {
    struct Case {
        const char* name;
        FileFamily family;
        int openMode;
    };
    const Case cases[] = {
        {"node file read", FileFamily::Binary, OPEN_READ},
        {"node file updated", FileFamily::Binary, OPEN_UPDATE},
        {"node file recreated", FileFamily::Binary, OPEN_CREATE},
        {"range file read", FileFamily::Record, OPEN_READ},
        {"range file updated", FileFamily::Record, OPEN_UPDATE},
        {"range file recreated", FileFamily::Record, OPEN_CREATE},
        {"log read", FileFamily::Appending, OPEN_READ},
        {"log rewritten", FileFamily::Appending, OPEN_WRITE},
        {"log recreated", FileFamily::Appending, OPEN_CREATE},
        {"log appended to", FileFamily::Appending, OPEN_APPEND},
    };
    const auto top = m_folder.Path();
    std::filesystem::create_directory(top / "real");
    const auto target = top / "real" / "target";
    test::WriteBytes(target, "keep");
    std::filesystem::permissions(
        target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::create_symlink(target, top / "link");
    std::filesystem::create_symlink(top / "real", top / "linked-folder");
    for (const auto& link : {top / "link", top / "linked-folder" / "target"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(link.string() + ": " + c.name);
            std::FILE* opened = OpenDataFile(link, c.family, c.openMode);
            EXPECT_EQ(opened, nullptr);
            EXPECT_EQ(errno, ELOOP);
            if (opened != nullptr) {
                std::fclose(opened);
            }
            EXPECT_EQ(test::ReadBytes(target), "keep");
            EXPECT_TRUE(m_waits.empty());
        }
    }
    // Where no link stands, the same opener reads, updates, appends to and creates files.
    test::WriteBytes(top / "real" / "plain", "x");
    for (const auto& [name, mode] : {std::pair{"plain", "rbe"}, std::pair{"plain", "r+be"},
                                     std::pair{"plain", "a+e"}, std::pair{"new", "wxbe"}}) {
        std::FILE* opened = OpenFileNoFollow(top / "real" / name, mode);
        EXPECT_NE(opened, nullptr) << mode;
        if (opened != nullptr) {
            std::fclose(opened);
        }
    }
}

TEST(FopenMode, MapsOpenModesPerFamily) {
    struct Case {
        FileFamily family;
        int mode;
        bool exists;
        const char* expected;
    };
    const Case cases[] = {
        {FileFamily::Binary, OPEN_READ, true, "rb"},
        {FileFamily::Binary, OPEN_READ, false, "wb+"},
        {FileFamily::Binary, OPEN_UPDATE, true, "rb+"},
        {FileFamily::Binary, OPEN_UPDATE, false, "wb+"},
        {FileFamily::Binary, OPEN_CREATE, true, "wb+"},
        {FileFamily::Record, OPEN_READ, true, "r"},
        {FileFamily::Record, OPEN_READ, false, "w+"},
        {FileFamily::Record, OPEN_UPDATE, true, "r+"},
        {FileFamily::Record, OPEN_UPDATE, false, "w+"},
        {FileFamily::Record, OPEN_CREATE, true, "w+"},
        {FileFamily::Appending, OPEN_READ, true, "r"},
        {FileFamily::Appending, OPEN_WRITE, true, "w"},
        {FileFamily::Appending, OPEN_CREATE, true, "w+"},
        {FileFamily::Appending, OPEN_APPEND, false, "a+"},
        {FileFamily::Appending, OPEN_UPDATE, true, nullptr},
    };
    for (const auto& c : cases) {
        const char* mode = FopenMode(c.family, c.mode, c.exists);
        if (c.expected == nullptr) {
            EXPECT_EQ(mode, nullptr) << c.mode;
        } else {
            ASSERT_NE(mode, nullptr) << c.mode;
            EXPECT_STREQ(mode, c.expected) << c.mode;
        }
    }
}

}  // namespace
}  // namespace halvera
