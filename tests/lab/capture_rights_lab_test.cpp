#include <grp.h>
#include <gtest/gtest.h>
#include <sys/capability.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/cli_lab_folder.h"
#include "support/cli_process.h"
#include "support/lab_fixture.h"
#include "support/lab_packet_driver.h"

// Who may search: the raw-frame right lies with the capture helper alone, which only members
// of the group halvera may run. The build's set-up (scripts/grant-capabilities.sh) grants it.
namespace halvera {
namespace {

constexpr uid_t NOBODY = 65534;

// The capabilities of a file as getcap shows them ("" for none).
std::string FileCapabilities(const std::filesystem::path& file) {
    cap_t caps = cap_get_file(file.c_str());
    if (caps == nullptr) {
        return "";
    }
    char* text = cap_to_text(caps, nullptr);
    std::string shown = text != nullptr ? text : "";
    cap_free(text);
    cap_free(caps);
    return shown;
}

void GiveToNobody(const std::filesystem::path& folder) {
    EXPECT_EQ(chown(folder.c_str(), NOBODY, NOBODY), 0) << folder << ": " << std::strerror(errno);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        EXPECT_EQ(lchown(entry.path().c_str(), NOBODY, NOBODY), 0)
            << entry.path() << ": " << std::strerror(errno);
    }
}

// The node list without its dates: what a search found.
std::vector<std::vector<std::string>> FoundNodes(const std::string& tsv) {
    auto rows = test::TsvRows(tsv);
    for (auto& row : rows) {
        row.resize(std::min<std::size_t>(row.size(), 10));
    }
    return rows;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

class CaptureRightsLab : public test::LabFixture {
  protected:
    void SetUp() override {
        if (std::getenv("HALVERA_CAPTURE") != nullptr) {
            GTEST_SKIP() << "chooses its drivers itself";
        }
        LabFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        const group* halvera = getgrnam("halvera");
        ASSERT_NE(halvera, nullptr) << "no group halvera: run scripts/grant-capabilities.sh";
        m_group = halvera->gr_gid;
        // The registry of the runs below lives in the test's own config folder.
        GiveToNobody(test::CliRegistryPath().parent_path().parent_path().parent_path());
    }

    // setpriv running halvera-cli as nobody, in the group halvera or in none.
    std::vector<std::string> AsNobody(bool inGroup) const {
        return {"/usr/bin/setpriv", "--reuid=" + std::to_string(NOBODY),
                "--regid=" + std::to_string(NOBODY),
                inGroup ? "--groups=" + std::to_string(m_group) : "--clear-groups", "--"};
    }

    gid_t m_group = 0;
};

TEST_F(CaptureRightsLab, TheHelperAloneHoldsTheRightAndOnlyTheGroupMayRunIt) {
    const auto helper = test::BuildCaptureHelper();
    EXPECT_EQ(FileCapabilities(helper), "cap_net_raw=ep");
    struct stat facts {};
    ASSERT_EQ(stat(helper.c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 07777, 0750u);
    EXPECT_EQ(facts.st_gid, m_group);
    for (const auto& frontEnd : {test::CliPath(), test::CliPath().parent_path() / "halvera"}) {
        SCOPED_TRACE(frontEnd.string());
        EXPECT_EQ(FileCapabilities(frontEnd), "");
    }
}

TEST_F(CaptureRightsLab, AUserOutsideTheGroupIsToldTheFixAndNothingIsSearched) {
    test::CliLabFolder folder;
    ASSERT_TRUE(folder.Prepare()) << folder.Failure();
    GiveToNobody(folder.Path());

    const std::string fix = "halvera グループに参加して、ログインし直してください。";
    for (const char* command : {"search", "refresh", "refresh-node"}) {
        SCOPED_TRACE(command);
        const auto result = test::RunCli(command == std::string("refresh-node")
                                             ? folder.Args({command, "198.18.7.17"})
                                             : folder.Args({command}),
                                         AsNobody(false));
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(fix), std::string::npos) << result.err;
        EXPECT_EQ(result.out.find("検索処理が終了しました。"), std::string::npos) << result.out;
        // The refusal is one line of the error log, which says why.
        EXPECT_EQ(Count(result.err, "halvera-cli: error log: "), 1u) << result.err;
        EXPECT_NE(result.err.find("halvera-capture: permission denied"), std::string::npos)
            << result.err;
    }
    // Root refuses a folder that another user can write, so nobody reads it back.
    const auto nodes = test::RunCli(folder.Args({"nodes"}), AsNobody(false));
    ASSERT_EQ(nodes.status, 0) << nodes.err;
    EXPECT_TRUE(test::TsvRows(nodes.out).empty());
}

TEST_F(CaptureRightsLab, EveryUserSeesTheAdaptersAndOneOutsideTheGroupTheFix) {
    test::CliLabFolder rootFolder;
    test::CliLabFolder folder;
    ASSERT_TRUE(rootFolder.Prepare()) << rootFolder.Failure();
    ASSERT_TRUE(folder.Prepare()) << folder.Failure();
    GiveToNobody(folder.Path());

    // Root lists them through libpcap in its own process.
    const auto asRoot = test::RunCli(rootFolder.Args({"adapters"}));
    ASSERT_EQ(asRoot.status, 0) << asRoot.err;
    ASSERT_FALSE(test::TsvRows(asRoot.out).empty());
    const std::string fix = "halvera グループに参加して、ログインし直してください。";
    for (bool inGroup : {true, false}) {
        SCOPED_TRACE(inGroup ? "member" : "outside the group");
        const auto result = test::RunCli(folder.Args({"adapters"}), AsNobody(inGroup));
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, asRoot.out);
        EXPECT_EQ(result.err.find(fix) != std::string::npos, !inGroup) << result.err;
    }
}

TEST_F(CaptureRightsLab, AGroupMemberFindsWhatRootFinds) {
    test::CliLabFolder asRoot;
    test::CliLabFolder asMember;
    ASSERT_TRUE(asRoot.Prepare()) << asRoot.Failure();
    ASSERT_TRUE(asMember.Prepare()) << asMember.Failure();
    GiveToNobody(asMember.Path());

    asRoot.Cli({"search"});
    const auto member = test::RunCli(asMember.Args({"search"}), AsNobody(true));
    ASSERT_EQ(member.status, 0) << member.err;

    const auto found = FoundNodes(asRoot.Cli({"nodes"}).out);
    EXPECT_GE(found.size(), 5u);
    const auto memberNodes = test::RunCli(asMember.Args({"nodes"}), AsNobody(true));
    ASSERT_EQ(memberNodes.status, 0) << memberNodes.err;
    EXPECT_EQ(FoundNodes(memberNodes.out), found);
}

}  // namespace
}  // namespace halvera
