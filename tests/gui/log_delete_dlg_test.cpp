#include "dialogs/log_delete_dlg.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QProgressBar>

#include <string>
#include <vector>

#include "lists/list_tables.h"

namespace halvera {
namespace {

// A log file of a fixed size; deleting steps the progress once per entry and per row.
class FakeLogDeleter : public LogRowDeleter {
  public:
    explicit FakeLogDeleter(int entries) : m_entries(entries) {}

    int CountEntries() override { return m_entries; }
    void DeleteRows(const std::vector<int>& rows, Progress& progress) override {
        deletedRows = rows;
        for (int i = 1; i <= 2 * m_entries; ++i) {
            progress.SetPosition(i);
        }
    }

    std::vector<int> deletedRows;

  private:
    int m_entries;
};

TEST(CLogDeleteDlg, RewritesTheLogThenRemovesTheRowsAndCloses) {
    struct Case {
        CLogDeleteDlg::Log log;
        const char* text;
    };
    const Case cases[] = {
        {CLogDeleteDlg::EVENT_LOG, "イベントログ削除中です　・・・　しばらくお待ちください。"},
        {CLogDeleteDlg::ERROR_LOG, "エラーログ削除中です　・・・　しばらくお待ちください。"},
    };
    for (const auto& c : cases) {
        ListTable log(ERROR_LOG_COLUMNS);
        for (int i = 0; i < 5; ++i) {
            log.AppendRow({{"a", "b", std::to_string(i)}, false, -1});
        }
        FakeLogDeleter deleter(5);
        CLogDeleteDlg dialog(deleter, log, {1, 3}, c.log);
        EXPECT_EQ(dialog.findChild<QLabel*>()->text(), QString::fromUtf8(c.text));
        dialog.exec();

        EXPECT_EQ(deleter.deletedRows, (std::vector<int>{1, 3}));
        std::vector<std::string> left;
        for (const auto& row : log.Snapshot()) {
            left.push_back(row.cells[ERRORLOG_COL_INFO]);
        }
        EXPECT_EQ(left, (std::vector<std::string>{"0", "2", "4"}));
        EXPECT_EQ(dialog.findChild<QProgressBar*>()->maximum(), 10);
    }
}

}  // namespace
}  // namespace halvera
