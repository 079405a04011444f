#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "base/program_folder.h"
#include "support/temp_program_folder.h"

// Where the files the program writes go, for each kind of program folder.
namespace halvera {
namespace {

// Sets an environment variable for the scope, or removes it, and restores it after.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = getenv(name); old != nullptr) {
            m_old = old;
        }
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~ScopedVariable() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(ChooseDataFolder, ServiceStateThenAWritableBuildTreeThenTheUsersDataHome) {
    test::TempProgramFolder temp;
    const auto build = temp.Path() / "build" / "halvera";
    std::filesystem::create_directories(build);
    const auto dataHome = temp.Path() / "share";
    ScopedVariable xdg("XDG_DATA_HOME", dataHome.string());
    const struct {
        const char* name;
        std::optional<std::string> state;
        std::filesystem::path program;
        std::filesystem::path data;
    } cases[] = {
        {"a build tree keeps its files beside the program", std::nullopt, build, build},
        {"an installed program writes into the user's data home", std::nullopt, "/usr/lib/halvera",
         dataHome / "halvera"},
        {"a program under /opt too", std::nullopt, "/opt/halvera", dataHome / "halvera"},
        {"a service's state directory comes first", "/var/lib/halvera:/var/lib/other",
         "/usr/lib/halvera", "/var/lib/halvera"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedVariable state("STATE_DIRECTORY", c.state);
        EXPECT_EQ(ChooseDataFolder(c.program), c.data);
    }
    EXPECT_TRUE(std::filesystem::is_directory(dataHome / "halvera"));
}

TEST(DataFolder, TheWrittenFilesFollowItAndTheProgramsFilesStay) {
    test::TempProgramFolder temp;
    const auto program = temp.Path() / "program";
    const auto data = temp.Path() / "data";
    std::filesystem::create_directories(program);
    std::filesystem::create_directories(data);
    SetProgramFolder(program);
    SetDataFolder(data);
    EXPECT_EQ(DbFolder(), data / "db");
    EXPECT_EQ(TmpFolder(), data / "tmp");
    EXPECT_EQ(LogFolder(), data / "log");
    EXPECT_EQ(BinFolder(), program / "bin");
    CreateWorkingFolders();
    EXPECT_TRUE(std::filesystem::is_directory(data / "db"));
    EXPECT_FALSE(std::filesystem::exists(program / "db"));
    EXPECT_FALSE(std::filesystem::exists(data / "bin"));
    SetProgramFolder(temp.Path());
}

}  // namespace
}  // namespace halvera
