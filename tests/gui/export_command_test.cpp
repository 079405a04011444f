#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>
#include <string>
#include <vector>

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "dialogs/output_setting_dlg.h"
#include "frame_fixture.h"
#include "support/file_bytes.h"
#include "views/veskar_view.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;

constexpr int TICK_MS = 20;

class ExportCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        f.tables.nodeList.Append(test::NodeRow("192.168.0.1", ".", true, "PC01"));
        f.tables.eventLog.AppendRow(
            {{"", "2026/12/10 08:00:00", "192.168.0.1", "", "up"}, false, 1});
        f.tables.errorLog.AppendRow({{"netmond", "2026/12/10 08:00:00", "Error"}, false, -1});
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }

    // Runs the command from its menu action or its tool bar button, answering the output
    // settings dialog with OK when it comes.
    void Run(int id, bool toolBar) {
        QTimer::singleShot(0, [] {
            if (auto* dialog =
                    qobject_cast<COutputSettingDlg*>(QApplication::activeModalWidget())) {
                dialog->accept();
            }
        });
        if (toolBar) {
            QWidget* button = frame.ToolBar()->widgetForAction(frame.Actions().Action(id));
            ASSERT_NE(button, nullptr);
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            frame.Actions().Trigger(id);
        }
    }

    test::FrameFixture f;
    CMainFrame frame{f.services, TICK_MS};
};

TEST_F(ExportCommandTest, EachTabWritesItsListAndTheDesktopOpensTheFile) {
    struct Case {
        int tab;
        int id;
        bool toolBar;
        const char* file;
        const char* question;
        const char* inFile;
    };
    const Case cases[] = {
        {TAB_NODE_LIST, ID_FILE_EXPORT_CSV, false, "Lattisk.csv",
         "ノードリストのデータを出力します。よろしいですか？", "PC01"},
        {TAB_NODE_LIST, ID_FILE_EXPORT_HTML, true, "Lattisk.html",
         "ノードリストのデータを出力します。よろしいですか？", "PC01"},
        {TAB_EVENT_LOG, ID_FILE_EXPORT_HTML, false, "Lattisk.html",
         "イベントログのデータを出力します。よろしいですか？", "ノード起動"},
        {TAB_ERROR_LOG, ID_FILE_EXPORT_CSV, true, "Lattisk.csv",
         "エラーログのデータを出力します。よろしいですか？", "netmond"},
    };
    for (const auto& c : cases) {
        const fs::path path = ProgramFolder() / c.file;
        fs::remove(path);
        const std::size_t opened = f.desktop.Actions().size();
        frame.UpperView()->SwitchTab(c.tab);
        Run(c.id, c.toolBar);

        EXPECT_EQ(f.prompt.Texts().back(), Sjis(c.question)) << c.file;
        EXPECT_NE(test::ReadBytes(path).find(Sjis(c.inFile)), std::string::npos) << c.file;
        ASSERT_EQ(f.desktop.Actions().size(), opened + 1) << c.file;
        EXPECT_EQ(f.desktop.Actions().back(), "open " + path.string());
        // The banner says where the file went.
        EXPECT_NE(f.banner.Text().find(path.string()), std::string::npos) << c.file;
    }
    // The output settings were saved with the node list's exports.
    EXPECT_TRUE(fs::exists(ProgramFolder() / "Kelvane.ini"));
}

TEST_F(ExportCommandTest, ACancelledQuestionWritesNothing) {
    f.prompt.SetAnswer(PROMPT_CANCEL);
    frame.UpperView()->SwitchTab(TAB_ERROR_LOG);
    Run(ID_FILE_EXPORT_CSV, false);
    EXPECT_FALSE(fs::exists(ProgramFolder() / "Lattisk.csv"));
    EXPECT_TRUE(f.desktop.Actions().empty());
}

TEST_F(ExportCommandTest, AFileThatCannotBeWrittenIsReportedAndLogged) {
    // A folder in the file's place: the new file cannot replace it.
    fs::create_directory(ProgramFolder() / "Lattisk.html");
    frame.UpperView()->SwitchTab(TAB_EVENT_LOG);
    Run(ID_FILE_EXPORT_HTML, false);
    EXPECT_EQ(f.prompt.Texts().back(), Sjis("HTML File Open Error。"));
    EXPECT_EQ(f.prompt.Boxes().back().icon, PromptIcon::Stop);
    const auto errors = f.tables.errorLog.Snapshot();
    EXPECT_EQ(errors.back().cells[ERRORLOG_COL_ACTION], "oputd");
    EXPECT_EQ(
        errors.back().cells[ERRORLOG_COL_INFO],
        "HTML File Open Error: " + (DataFolder() / "Lattisk.html").string() + ": Is a directory");
    EXPECT_TRUE(f.desktop.Actions().empty());
}

TEST(COutputSettingDlg, OkStoresTheBitsAndCancellingTheQuestionKeepsTheDialogOpen) {
    test::FrameFixture f;
    AppSettings settings = f.settings.App();
    settings.PRINT = 0x3F7E;
    f.settings.SetApp(settings);
    COutputSettingDlg dialog(f.engine, f.prompt);
    EXPECT_FALSE(dialog.BitBox(0x1)->isChecked());
    EXPECT_TRUE(dialog.BitBox(0x800)->isChecked());
    EXPECT_FALSE(dialog.BitBox(0x20)->isEnabled());
    EXPECT_EQ(dialog.BitBox(0x80), nullptr);
    dialog.BitBox(0x1)->setChecked(true);
    dialog.BitBox(0x800)->setChecked(false);

    f.prompt.SetAnswer(PROMPT_CANCEL);
    dialog.show();
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    // Kept in memory, not saved.
    EXPECT_EQ(f.settings.App().PRINT, (0x3F7E | 0x1) & ~0x800);
    EXPECT_FALSE(fs::exists(ProgramFolder() / "Kelvane.ini"));

    f.prompt.SetAnswer(PROMPT_OK);
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_NE(test::ReadBytes(ProgramFolder() / "Kelvane.ini")
                  .find("PRINT=" + std::to_string((0x3F7E | 0x1) & ~0x800)),
              std::string::npos);
}

// ヘルプ opens the help document of the program folder, from the menu or the tool bar; a
// program folder without one says so and opens nothing.
TEST_F(ExportCommandTest, HelpOpensTheHelpDocumentOrSaysItIsMissing) {
    const fs::path help = ProgramFolder() / "Kelvane.html";
    for (bool present : {true, false}) {
        for (bool toolBar : {false, true}) {
            SCOPED_TRACE(std::string(present ? "present" : "missing") +
                         (toolBar ? " tool bar" : " menu"));
            if (present) {
                test::WriteBytes(help, "<html></html>");
            } else {
                fs::remove(help);
            }
            const std::size_t opened = f.desktop.Actions().size();
            Run(ID_HELP, toolBar);
            if (present) {
                ASSERT_EQ(f.desktop.Actions().size(), opened + 1);
                EXPECT_EQ(f.desktop.Actions().back(), "open " + help.string());
            } else {
                EXPECT_EQ(f.desktop.Actions().size(), opened);
                EXPECT_EQ(f.prompt.Texts().back(),
                          Sjis("ヘルプファイルが見つかりません。\r\n") + help.string());
            }
        }
    }
}

}  // namespace
}  // namespace halvera
