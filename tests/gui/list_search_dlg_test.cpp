#include "dialogs/list_search_dlg.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "base/text_codec.h"
#include "frame_fixture.h"
#include "store/node_line.h"
#include "views/veskar_view.h"

namespace halvera {
namespace {

// Rows after the searched ones, so that a match near the end must be scrolled to.
constexpr int FILLER_ROWS = 80;

class ListSearchDlgTest : public ::testing::Test {
  protected:
    ListSearchDlgTest() {
        struct Node {
            const char* ip;
            const char* label;
            const char* host;
            const char* mac;
        };
        const Node nodes[] = {
            {"192.168.1.10", "Gateway", "router", "02-00-00-00-00-0A"},
            {"192.168.1.1", "受付", "pc-01", "02-00-00-00-00-01"},
            {"192.168.1.100", "倉庫", "PC-02", "02-00-00-00-00-64"},
        };
        for (const Node& node : nodes) {
            NodeEntry row = test::NodeRow(node.ip, ".", true, Sjis(node.label));
            row.host = node.host;
            row.mac = ParseMac(node.mac).value();
            f.tables.nodeList.Append(row);
        }
        for (int i = 0; i < FILLER_ROWS; ++i) {
            f.tables.nodeList.Append(test::NodeRow("10.0.0." + std::to_string(i), ".", true));
        }
        f.tables.nodeList.Append(test::NodeRow("172.16.0.1", ".", true, "last"));
        const std::vector<std::vector<std::string>> events = {
            {"", "2026/12/10 08:05:03", "192.168.1.1", "pc-01", Sjis("新規ノード検出")},
            {"", "2026/12/11 09:00:00", "192.168.1.100", "PC-02", Sjis("ノードダウン")},
        };
        for (const auto& cells : events) {
            f.tables.eventLog.AppendRow({cells});
        }
    }

    void Show() {
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        frame.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    }

    // Runs the command; the dialog it opens is handed to `use` and must close by itself.
    void RunDialog(int id, const std::function<void(ListSearchDlg&)>& use) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            for (auto* dialog : frame.findChildren<ListSearchDlg*>()) {
                if (!dialog->isVisible()) {
                    continue;
                }
                EXPECT_TRUE(dialog->isModal());
                seen = true;
                use(*dialog);
                if (dialog->isVisible()) {
                    ADD_FAILURE() << "the dialog stayed open";
                    dialog->reject();
                }
            }
        });
        frame.Actions().Trigger(id);
        EXPECT_TRUE(seen);
    }

    ListControl* ListOf(int id) {
        return id == ID_FIND_NODE_LIST ? frame.UpperView()->NodeList()
                                       : frame.UpperView()->EventLog();
    }

    test::FrameFixture f;
    CMainFrame frame{f.services, 20};
};

TEST_F(ListSearchDlgTest, SelectsAndShowsTheFirstMatchOrNothingAndCloses) {
    Show();
    const int lastRow = 3 + FILLER_ROWS;
    struct Case {
        const char* name;
        int id;
        const char* text;  // UTF-8
        int column;        // -1: the preset one
        bool caseSensitive;
        bool wholeText;
        int row;  // -1: nothing selected
    };
    const Case cases[] = {
        {"a prefix finds 192.168.1.10 first", ID_FIND_NODE_LIST, "192.168.1.1", NODE_COL_IP, false,
         false, 0},
        {"the whole address finds only itself", ID_FIND_NODE_LIST, "192.168.1.1", NODE_COL_IP,
         false, true, 1},
        {"PC finds pc-01", ID_FIND_NODE_LIST, "PC", NODE_COL_HOST, false, false, 1},
        {"case-sensitive PC finds PC-02", ID_FIND_NODE_LIST, "PC", NODE_COL_HOST, true, false, 2},
        {"the label is preset", ID_FIND_NODE_LIST, "倉庫", -1, false, true, 2},
        {"a MAC address", ID_FIND_NODE_LIST, "02-00-00-00-00-64", NODE_COL_MAC, false, true, 2},
        {"a match far down is scrolled to", ID_FIND_NODE_LIST, "LAST", -1, false, false, lastRow},
        {"no match clears the selection", ID_FIND_NODE_LIST, "laptop", NODE_COL_HOST, false, false,
         -1},
        {"the date and time are preset", ID_FIND_EVENT_LOG, "2026/12/11", -1, false, false, 1},
        {"the event log's host name", ID_FIND_EVENT_LOG, "pc", EVENTLOG_COL_HOST, false, false, 0},
        {"the event log's information", ID_FIND_EVENT_LOG, "ノードダウン", EVENTLOG_COL_INFO, false,
         true, 1},
        {"the event log's address, no match", ID_FIND_EVENT_LOG, "10.", EVENTLOG_COL_IP, false,
         false, -1},
    };
    for (const auto& c : cases) {
        ListControl* list = ListOf(c.id);
        // A row selected before stays selected only if it is the match.
        list->SelectOnlyRow(2);
        list->scrollToTop();
        const std::size_t boxes = f.prompt.Boxes().size();
        RunDialog(c.id, [&](ListSearchDlg& dialog) {
            dialog.SearchEdit()->setText(QString::fromUtf8(c.text));
            if (c.column >= 0) {
                ASSERT_NE(dialog.ColumnButton(c.column), nullptr) << c.name;
                dialog.ColumnButton(c.column)->setChecked(true);
            }
            dialog.CaseSensitiveBox()->setChecked(c.caseSensitive);
            dialog.WholeTextBox()->setChecked(c.wholeText);
            QTest::keyClick(dialog.SearchEdit(), Qt::Key_Return);
        });
        EXPECT_EQ(frame.UpperView()->CurrentTab(),
                  c.id == ID_FIND_NODE_LIST ? TAB_NODE_LIST : TAB_EVENT_LOG)
            << c.name;
        EXPECT_EQ(f.prompt.Boxes().size(), boxes) << c.name;
        EXPECT_EQ(list->SelectedRows(), c.row < 0 ? std::vector<int>{} : std::vector<int>{c.row})
            << c.name;
        EXPECT_EQ(list->currentIndex().row(), c.row) << c.name;
        if (c.row >= 0) {
            const QRect shown = list->visualRect(list->Model()->index(c.row, 0));
            EXPECT_TRUE(list->viewport()->rect().contains(shown.center())) << c.name;
        }
    }
}

TEST_F(ListSearchDlgTest, AnEmptyTextAsksForOneAndKeepsTheDialogOpen) {
    Show();
    struct Case {
        int id;
        const char* title;
        const char* group;
    };
    const Case cases[] = {
        {ID_FIND_NODE_LIST, "Halvera: Search NodeMap", "ノードリスト検索"},
        {ID_FIND_EVENT_LOG, "Halvera: Search Log", "イベントログ検索"},
    };
    for (const auto& c : cases) {
        ListOf(c.id)->SelectOnlyRow(1);
        const std::size_t boxes = f.prompt.Boxes().size();
        RunDialog(c.id, [&](ListSearchDlg& dialog) {
            EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.title));
            auto* group = dialog.findChild<QGroupBox*>("group");
            ASSERT_NE(group, nullptr);
            EXPECT_EQ(group->title(), QString::fromUtf8(c.group));
            EXPECT_FALSE(dialog.CaseSensitiveBox()->isChecked());
            EXPECT_FALSE(dialog.WholeTextBox()->isChecked());
            QTest::keyClick(dialog.SearchEdit(), Qt::Key_Return);
            EXPECT_TRUE(dialog.isVisible()) << c.title;
            dialog.reject();
        });
        ASSERT_EQ(f.prompt.Boxes().size(), boxes + 1) << c.title;
        EXPECT_EQ(f.prompt.Texts().back(), Sjis("検索名称を入力してください。")) << c.title;
        EXPECT_EQ(f.prompt.Boxes().back().icon, PromptIcon::Stop) << c.title;
        // Cancel leaves the list as it was.
        EXPECT_EQ(ListOf(c.id)->SelectedRows(), std::vector<int>{1}) << c.title;
    }
}

}  // namespace
}  // namespace halvera
