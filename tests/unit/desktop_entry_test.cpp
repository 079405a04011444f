#include "base/desktop_entry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/child_process.h"
#include "support/file_bytes.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;

bool Holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// desktop-file-validate (desktop-file-utils) exits non-zero on every error of an entry.
int Validate(const fs::path& entry) {
    return test::RunProgram({"desktop-file-validate", entry.string()});
}

TEST(DesktopEntry, TheAutostartEntryStartsTheRunningProgramWhateverItsPath) {
    test::TempProgramFolder temp;
    struct Case {
        const char* name;
        std::string program;
        std::string exec;  // the Exec line as written
    };
    const Case cases[] = {
        {"plain", "/opt/halvera/halvera", "Exec=\"/opt/halvera/halvera\"\n"},
        {"blank", "/opt/my programs/halvera", "Exec=\"/opt/my programs/halvera\"\n"},
        {"quote and dollar", "/opt/a\"b$c`d/halvera",
         "Exec=\"/opt/a\\\\\"b\\\\$c\\\\`d/halvera\"\n"},
        {"percent", "/opt/100%/halvera", "Exec=\"/opt/100%%/halvera\"\n"},
        {"backslash", "/opt/back\\slash/halvera", "Exec=\"/opt/back\\\\\\\\slash/halvera\"\n"},
        {"Japanese", "/opt/監視/halvera", "Exec=\"/opt/監視/halvera\"\n"},
    };
    const fs::path config = temp.Path() / "config";
    const fs::path entry = config / "autostart" / "Halvera.desktop";
    for (const Case& c : cases) {
        ASSERT_TRUE(RegisterAutostart(c.program, config)) << c.name;
        const std::string text = test::ReadBytes(entry);
        EXPECT_TRUE(Holds(text, c.exec)) << c.name << "\n" << text;
        EXPECT_TRUE(Holds(text, "\nCategories=Network;Monitor;\n")) << c.name;
        EXPECT_EQ(Validate(entry), 0) << c.name << "\n" << text;
    }
}

TEST(DesktopEntry, APathNoEntryCanHoldIsRefusedAndNothingWritten) {
    test::TempProgramFolder temp;
    const fs::path config = temp.Path() / "config";
    for (const std::string program : {"/opt/a\nb/halvera", "/opt/\xff\xfe/halvera", "/opt/a\x01"}) {
        EXPECT_FALSE(RegisterAutostart(program, config)) << program;
        EXPECT_FALSE(fs::exists(config / "autostart" / "Halvera.desktop")) << program;
    }
    // A file where the folder should be.
    test::WriteBytes(temp.Path() / "data", "x");
    EXPECT_FALSE(RegisterProgramMenu(temp.Path() / "program", temp.Path() / "data"));
}

TEST(DesktopEntry, TheMenuEntryGetsAHelpEntryOnlyBesideAHelpDocument) {
    test::TempProgramFolder temp;
    const fs::path program = temp.Path() / "program folder";
    const fs::path data = temp.Path() / "data";
    const fs::path menu = data / "applications" / "Halvera";
    fs::create_directories(program);
    test::WriteBytes(program / ICON_FILE_NAME, "png");

    ASSERT_TRUE(RegisterProgramMenu(program, data));
    const std::string entry = test::ReadBytes(menu / "Halvera.desktop");
    EXPECT_TRUE(Holds(entry, "Exec=\"" + (program / "halvera").string() + "\"\n")) << entry;
    EXPECT_TRUE(Holds(entry, "Path=" + program.string() + "\n")) << entry;
    EXPECT_TRUE(Holds(entry, "Icon=" + (program / ICON_FILE_NAME).string() + "\n")) << entry;
    EXPECT_EQ(Validate(menu / "Halvera.desktop"), 0) << entry;
    EXPECT_FALSE(fs::exists(menu / HELP_ENTRY_NAME));

    // Registering again overwrites, and now finds the help document.
    test::WriteBytes(menu / "Halvera.desktop", "damaged");
    test::WriteBytes(program / HELP_DOCUMENT_NAME, "<html></html>");
    ASSERT_TRUE(RegisterProgramMenu(program, data));
    EXPECT_EQ(test::ReadBytes(menu / "Halvera.desktop"), entry);
    const std::string help = test::ReadBytes(menu / HELP_ENTRY_NAME);
    EXPECT_TRUE(Holds(help, "\nType=Link\n")) << help;
    EXPECT_TRUE(Holds(help, "/program%20folder/Kelvane.html\n")) << help;
    EXPECT_EQ(Validate(menu / HELP_ENTRY_NAME), 0) << help;
}

}  // namespace
}  // namespace halvera
