#include "dialogs/label_edit_dlg.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "frame_fixture.h"
#include "store/node_line.h"
#include "support/file_bytes.h"
#include "views/veskar_view.h"

namespace halvera {
namespace {

const char* const NODES[] = {"192.168.0.1", "192.168.0.2"};

class LabelEditDlgTest : public ::testing::Test {
  protected:
    LabelEditDlgTest() {
        for (const char* ip : NODES) {
            NodeRecord record = test::StoredNode(ip);
            f.engine.Nodes().PutNode(record);
        }
        f.engine.LoadLists(StartupLists::NodeList, nullptr);
    }

    void Show() {
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }

    ListControl* NodeList() { return frame.UpperView()->NodeList(); }

    // Selects the row and runs the label edit command; the editor it shows, or nullptr.
    CLabelEditDlg* OpenEditor(int row) {
        NodeList()->SelectOnlyRow(row);
        frame.Actions().Trigger(ID_EDIT_LABEL);
        for (auto* dialog : frame.findChildren<CLabelEditDlg*>()) {
            if (dialog->isVisible()) {
                return dialog;
            }
        }
        return nullptr;
    }

    // The stored line of node 1 in NetDB.na.
    std::string SecondRecord() {
        return test::ReadBytes(DbFolder() / "NetDB.na").substr(NODE_LINE_SIZE);
    }

    std::string ExpectedRecord(const std::string& labelCp932) {
        NodeRecord record = test::StoredNode(NODES[1]);
        record.label = labelCp932;
        return StoreLine(FormatNodeLine(record), NODE_LINE_SIZE);
    }

    static void Close(QPointer<CLabelEditDlg>& dialog) {
        if (dialog && dialog->isVisible()) {
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    test::FrameFixture f;
    CMainFrame frame{f.services, 20};
};

TEST_F(LabelEditDlgTest, EnterStoresTheLabelInTheRecordAndTheRow) {
    Show();
    enum Key { ENTER, ESCAPE, CANCEL };
    struct Case {
        const char* name;
        const char* typed;  // UTF-8
        Key key;
        bool staysOpen;
        const char* message;  // the stop box shown, or empty
        const char* label;    // node 1's label afterwards, in its row and its record
    };
    // In order: each case starts from the label the one before left.
    const Case cases[] = {
        {"a shorter label leaves no remainder of the old one", "pc", ENTER, false, "", "pc"},
        {"36 bytes", "受付受付受付受付受付受付受付受付受付", ENTER, false, "",
         "受付受付受付受付受付受付受付受付受付"},
        {"37 bytes", "受付受付受付受付受付受付受付受付受付x", ENTER, true,
         "サイズが不正です。(36Byteまで)", "受付受付受付受付受付受付受付受付受付"},
        {"a comma", "pc,02", ENTER, true, "設定値に , を使用することはできません。",
         "受付受付受付受付受付受付受付受付受付"},
        // CP932 would keep it only as "?".
        {"a character CP932 cannot hold", "pc\U0001F642", ENTER, true,
         "設定値に Shift_JIS で表せない文字を使用することはできません。",
         "受付受付受付受付受付受付受付受付受付"},
        {"Escape is ignored", "pc02", ESCAPE, true, "", "受付受付受付受付受付受付受付受付受付"},
        {"Cancel keeps the label", "pc02", CANCEL, false, "",
         "受付受付受付受付受付受付受付受付受付"},
        {"a character of the Windows extensions", "①受付", ENTER, false, "", "①受付"},
        {"an empty label clears it", "", ENTER, false, "", ""},
    };
    std::string shown = test::StoredNode(NODES[1]).label;
    for (const auto& c : cases) {
        QPointer<CLabelEditDlg> dialog = OpenEditor(1);
        ASSERT_NE(dialog, nullptr) << c.name;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Halvera: Node label"));
        EXPECT_FALSE(dialog->isModal()) << c.name;
        EXPECT_EQ(dialog->LabelEdit()->text(), QString::fromStdString(Cp932ToUtf8Lossy(shown)))
            << c.name;
        dialog->LabelEdit()->setText(QString::fromUtf8(c.typed));
        const std::size_t boxes = f.prompt.Boxes().size();
        if (c.key == CANCEL) {
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        } else {
            QTest::keyClick(dialog->LabelEdit(), c.key == ENTER ? Qt::Key_Return : Qt::Key_Escape);
        }
        EXPECT_EQ(dialog && dialog->isVisible(), c.staysOpen) << c.name;
        if (*c.message == '\0') {
            EXPECT_EQ(f.prompt.Boxes().size(), boxes) << c.name;
        } else {
            ASSERT_EQ(f.prompt.Boxes().size(), boxes + 1) << c.name;
            EXPECT_EQ(f.prompt.Texts().back(), Sjis(c.message)) << c.name;
            EXPECT_EQ(f.prompt.Boxes().back().icon, PromptIcon::Stop) << c.name;
        }
        shown = Sjis(c.label);
        EXPECT_EQ(f.tables.nodeList.Display().Cell(1, NODE_COL_LABEL), shown) << c.name;
        EXPECT_EQ(SecondRecord(), ExpectedRecord(shown)) << c.name;
        Close(dialog);
        EXPECT_TRUE(dialog.isNull()) << c.name;
    }
    EXPECT_EQ(f.tables.nodeList.Display().Cell(0, NODE_COL_LABEL),
              test::StoredNode(NODES[0]).label);
}

TEST_F(LabelEditDlgTest, TheLabelGoesToTheNodeSelectedWhenOkIsPressed) {
    Show();
    QPointer<CLabelEditDlg> dialog = OpenEditor(0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->LabelEdit()->text(), QString::fromUtf8(NODES[0]));

    // The dialog is modeless: the list can be used while it is open.
    NodeList()->clearSelection();
    dialog->LabelEdit()->setText(QStringLiteral("printer"));
    QTest::keyClick(dialog->LabelEdit(), Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(f.prompt.Texts().back(), Sjis("ラベルを編集するノードを選択してください。"));

    NodeList()->SelectOnlyRow(1);
    // Enter is OK even with the focus on Cancel.
    QPushButton* cancel = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_FALSE(dialog && dialog->isVisible());
    EXPECT_EQ(f.tables.nodeList.Display().Cell(0, NODE_COL_LABEL), NODES[0]);
    EXPECT_EQ(f.tables.nodeList.Display().Cell(1, NODE_COL_LABEL), "printer");
    EXPECT_EQ(SecondRecord(), ExpectedRecord("printer"));
    Close(dialog);
}

}  // namespace
}  // namespace halvera
