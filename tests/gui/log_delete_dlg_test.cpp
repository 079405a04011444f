#include "dialogs/log_delete_dlg.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QProgressBar>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/file_opener.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "frame_fixture.h"
#include "store/event_kind.h"

namespace halvera {
namespace {

class CLogDeleteDlgTest : public ::testing::Test {
  protected:
    // Five lines in the log file and its list, their message the line number.
    void WriteLog(LogKind kind) {
        for (int i = 0; i < 5; ++i) {
            if (kind == LogKind::Event) {
                f.engine.Logs().WriteEventLog(test::StoredNode("192.168.0.1"), std::to_string(i),
                                              EVENT_NODE_UP);
            } else {
                f.engine.Logs().WriteErrorLog("netmond", std::to_string(i));
            }
        }
    }

    static std::vector<std::string> Infos(const ListTable& list, int column) {
        std::vector<std::string> infos;
        for (const auto& row : list.Snapshot()) {
            infos.push_back(row.cells[static_cast<std::size_t>(column)]);
        }
        return infos;
    }

    test::FrameFixture f;
};

TEST_F(CLogDeleteDlgTest, RewritesTheLogThenRemovesTheRowsAndCloses) {
    struct Case {
        LogKind log;
        const char* text;
        int infoColumn;
    };
    const Case cases[] = {
        {LogKind::Event, "イベントログ削除中です　・・・　しばらくお待ちください。",
         EVENTLOG_COL_INFO},
        {LogKind::Error, "エラーログ削除中です　・・・　しばらくお待ちください。",
         ERRORLOG_COL_INFO},
    };
    for (const auto& c : cases) {
        WriteLog(c.log);
        const ListTable& list = c.log == LogKind::Event ? f.tables.eventLog : f.tables.errorLog;
        CLogDeleteDlg dialog(f.engine, c.log, {1, 3});
        EXPECT_EQ(dialog.findChild<QLabel*>()->text(), QString::fromUtf8(c.text));
        dialog.exec();

        EXPECT_EQ(Infos(list, c.infoColumn), (std::vector<std::string>{"0", "2", "4"}));
        EXPECT_EQ(f.engine.CountLogEntries(c.log), 3);
        EXPECT_EQ(dialog.findChild<QProgressBar*>()->maximum(), 10);
    }
    EXPECT_TRUE(f.prompt.Boxes().empty());
}

// A log that cannot be rewritten keeps its file and its rows, so row n still shows line n
// for the next deletion; the store says what went wrong.
TEST_F(CLogDeleteDlgTest, AFailedRewriteKeepsTheRows) {
    SetRetryWait([](std::chrono::milliseconds) {});
    WriteLog(LogKind::Error);
    // The copy in tmp/ cannot be made while tmp/ is a file.
    std::filesystem::remove_all(TmpFolder());
    { std::ofstream(TmpFolder()) << "x"; }
    CLogDeleteDlg dialog(f.engine, LogKind::Error, {1, 3});
    dialog.exec();
    SetRetryWait(nullptr);

    EXPECT_EQ(Infos(f.tables.errorLog, ERRORLOG_COL_INFO),
              (std::vector<std::string>{"0", "1", "2", "3", "4"}));
    EXPECT_EQ(f.engine.CountLogEntries(LogKind::Error), 5);
    EXPECT_EQ(f.prompt.Texts(), std::vector<std::string>{Sjis("ActLog File Access Error。")});
}

}  // namespace
}  // namespace halvera
