#include "dialogs/event_setting_dlg.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <string>
#include <vector>

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "base/ini_file.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "dialog_clicks.h"
#include "dialogs/action_range_dlg.h"
#include "dialogs/event_action_dlg.h"
#include "dialogs/mail_setting_dlg.h"
#include "dialogs/sniff_setting_dlg.h"
#include "frame_fixture.h"
#include "store/event_kind.h"
#include "store/line_codec.h"
#include "store/settings_files.h"
#include "support/file_bytes.h"
#include "views/event_images.h"

namespace halvera {
namespace {

std::filesystem::path RangeFile() {
    return DbFolder() / "ActionNodeDB.na";
}

std::string RangeFileBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += EncodeLine(line, line.size()) + "\r\n";
    }
    return bytes;
}

QString Rows(const QTreeWidget* list, int first, int second) {
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        rows << list->topLevelItem(i)->text(first) + " - " + list->topLevelItem(i)->text(second);
    }
    return rows.join(QStringLiteral(", "));
}

// The values of the settings information list's right pair (event settings), top to bottom.
std::vector<std::string> SummaryEventValues(const ListTable& summary) {
    std::vector<std::string> values;
    for (const ListRow& row : summary.Snapshot()) {
        values.push_back(Cp932ToUtf8Lossy(row.cells[3]));
    }
    return values;
}

bool Contains(const std::vector<std::string>& values, const std::string& value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

using test::ClickBox;
using test::ClickIndicator;

// Runs `open` and lets `drive` work the modal dialog of type T it opens; a dialog still open
// afterwards is cancelled. False when no such dialog opened.
template <typename T>
bool Through(const std::function<void()>& open, const std::function<void(T&)>& drive) {
    bool driven = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        driven = true;
        drive(*dialog);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
    open();
    return driven;
}

class EventSettingDlgTest : public ::testing::Test {
  protected:
    EventSettingDlgTest() {
        // An event settings file that holds no kind yet (the first start writes one only
        // where there is none).
        test::WriteBytes(DbFolder() / "EventDB.na", "");
        f.engine.ActionRanges().AppendRange(MakeIp(198, 18, 7, 1), MakeIp(198, 18, 7, 9));
        f.engine.ActionRanges().AppendRange(MakeIp(198, 18, 7, 20), MakeIp(198, 18, 7, 20));
        EventSettings up;
        up.enabled = 1;
        up.screen = 1;
        up.message = "%IP";
        f.engine.PutEventSettings(EVENT_NODE_UP, up);
        f.engine.SaveSettings();
    }

    CEventSettingDlg Dialog() {
        return CEventSettingDlg(f.engine, f.prompt,
                                [this](QWidget* owner) { mailOwners.push_back(owner); });
    }

    // Double-clicks the event list's row of a kind.
    static void DoubleClickKind(CEventSettingDlg& dialog, int kind) {
        QTreeWidget* list = dialog.EventList();
        const QRect cell = list->visualItemRect(list->topLevelItem(kind));
        // The first click selects the row, as a user's double click does.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }

    std::string IniBytes() const { return test::ReadBytes(SettingsFilePath()); }

    test::FrameFixture f;
    std::vector<QWidget*> mailOwners;
};

TEST_F(EventSettingDlgTest, OpensWithEveryKindItsStateAndTheActionNodes) {
    CEventSettingDlg dialog(f.engine, f.prompt, {});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Halvera: Event Setting"));
    QTreeWidget* events = dialog.EventList();
    EXPECT_EQ(events->headerItem()->text(0), QStringLiteral("イベント"));
    EXPECT_EQ(events->headerItem()->text(1), QStringLiteral("有効/無効"));
    EXPECT_EQ(events->headerItem()->text(2), QStringLiteral("イベント情報"));
    EXPECT_EQ(events->columnWidth(0), 110);
    EXPECT_EQ(events->columnWidth(1), 70);
    EXPECT_EQ(events->columnWidth(2), 130);
    // Kinds without a record, the address and MAC changes among them, are disabled.
    EXPECT_EQ(Rows(events, 1, 2),
              QStringLiteral("無効 - 新規ノード検出, 有効 - ノード起動, 無効 - ノード停止, "
                             "無効 - 盗聴ノード検出, 無効 - IPアドレス変更, "
                             "無効 - ネットワーク機器変更"));
    const QList<QPixmap> images = EventImages();
    ASSERT_EQ(events->topLevelItemCount(), EVENT_KIND_COUNT);
    for (int kind = 0; kind < EVENT_KIND_COUNT; ++kind) {
        const QIcon icon = events->topLevelItem(kind)->icon(0);
        const QImage shown = icon.pixmap(QSize(96, 19)).toImage();
        EXPECT_EQ(shown.size(), QSize(96, 19)) << kind;
        EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32),
                  images[kind].toImage().convertToFormat(QImage::Format_ARGB32))
            << kind;
        EXPECT_EQ(events->topLevelItem(kind)->textAlignment(1), Qt::AlignCenter) << kind;
    }
    EXPECT_EQ(events->iconSize(), QSize(96, 19));
    // ALLEVENT 1: the ranges are shown, but cannot be worked on.
    EXPECT_TRUE(dialog.AllNodesButton()->isChecked());
    EXPECT_EQ(Rows(dialog.RangeList(), 0, 1),
              QStringLiteral("198.18.7.1 - 198.18.7.9, 198.18.7.20 - 198.18.7.20"));
    EXPECT_EQ(dialog.RangeList()->columnWidth(0), 120);
    for (QWidget* control :
         std::vector<QWidget*>{dialog.RangeList(), dialog.AddButton(), dialog.DeleteButton()}) {
        EXPECT_FALSE(control->isEnabled());
    }
    ClickIndicator(dialog.SomeNodesButton());
    for (QWidget* control :
         std::vector<QWidget*>{dialog.RangeList(), dialog.AddButton(), dialog.DeleteButton()}) {
        EXPECT_TRUE(control->isEnabled());
    }
    EXPECT_FALSE(dialog.RangesChanged());
}

TEST_F(EventSettingDlgTest, ADoubleClickEditsTheKindAndItsRowFollows) {
    CEventSettingDlg dialog = Dialog();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    int opened = -1;
    ASSERT_TRUE(Through<CEventActionDlg>([&] { DoubleClickKind(dialog, EVENT_IP_CHANGE); },
                                         [&](CEventActionDlg& action) {
                                             opened = action.EnabledList()->currentIndex();
                                             action.EnabledList()->setCurrentIndex(1);
                                             action.PopupEdit()->setText("moved %IP");
                                             ClickBox(action, QDialogButtonBox::Ok);
                                         }));
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(dialog.EventList()->topLevelItem(EVENT_IP_CHANGE)->text(1), QStringLiteral("有効"));
    EXPECT_EQ(f.engine.ReadEventSettings(EVENT_IP_CHANGE).popupText, "moved %IP");

    // A cancelled edit leaves the row and the record.
    ASSERT_TRUE(Through<CEventActionDlg>([&] { DoubleClickKind(dialog, EVENT_NODE_UP); },
                                         [](CEventActionDlg& action) {
                                             action.EnabledList()->setCurrentIndex(0);
                                             ClickBox(action, QDialogButtonBox::Cancel);
                                         }));
    EXPECT_EQ(dialog.EventList()->topLevelItem(EVENT_NODE_UP)->text(1), QStringLiteral("有効"));
    EXPECT_EQ(f.engine.ReadEventSettings(EVENT_NODE_UP).enabled, 1);
}

TEST_F(EventSettingDlgTest, OkStoresChangedRangesAndAlleventSavesAndRefreshesTheSummary) {
    const std::string ini = IniBytes();
    CEventSettingDlg dialog = Dialog();
    dialog.show();
    ClickIndicator(dialog.SomeNodesButton());
    dialog.RangeList()->topLevelItem(0)->setSelected(true);
    QTest::mouseClick(dialog.DeleteButton(), Qt::LeftButton);
    ASSERT_TRUE(
        Through<CActionRangeDlg>([&] { QTest::mouseClick(dialog.AddButton(), Qt::LeftButton); },
                                 [](CActionRangeDlg& range) {
                                     range.StartEdit()->setText("10.0.0.1");
                                     range.EndEdit()->setText("10.0.0.30");
                                     ClickBox(range, QDialogButtonBox::Ok);
                                 }));
    EXPECT_TRUE(dialog.RangesChanged());
    // Nothing is stored before OK.
    EXPECT_EQ(IniBytes(), ini);
    EXPECT_EQ(test::ReadBytes(RangeFile()),
              RangeFileBytes({"198.18.7.1,198.18.7.9", "198.18.7.20,198.18.7.20"}));

    ClickBox(dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(test::ReadBytes(RangeFile()),
              RangeFileBytes({"198.18.7.20,198.18.7.20", "10.0.0.1,10.0.0.30"}));
    const std::string allNodes = "\r\nALLEVENT=1\r\n";
    const std::size_t at = ini.find(allNodes);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(IniBytes(), std::string(ini).replace(at, allNodes.size(), "\r\nALLEVENT=0\r\n"));
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "ALLEVENT", -1), 0);
    const auto summary = SummaryEventValues(f.tables.settingsInfo);
    EXPECT_TRUE(Contains(summary, "10.0.0.1 ～ 10.0.0.30"));
    EXPECT_FALSE(Contains(summary, "198.18.7.1 ～ 198.18.7.9"));
    EXPECT_TRUE(f.prompt.Boxes().empty());
}

TEST_F(EventSettingDlgTest, RangesLeftAsTheyWereAreNotRewritten) {
    // A line a person damaged by hand reads as 0.0.0.0 to 0.0.0.0; a rewrite would replace it.
    const std::string damaged = "garbage\r\n" + RangeFileBytes({"198.18.7.1,198.18.7.9"});
    f.engine.ActionRanges().ClearRanges();
    f.engine.ActionRanges().CloseSearchRanges();
    test::WriteBytes(RangeFile(), damaged);
    CEventSettingDlg dialog = Dialog();
    dialog.show();
    ClickIndicator(dialog.SomeNodesButton());
    // Cancelled: the range dialog adds nothing and changes nothing.
    ASSERT_TRUE(Through<CActionRangeDlg>(
        [&] { QTest::mouseClick(dialog.AddButton(), Qt::LeftButton); },
        [](CActionRangeDlg& range) { range.StartEdit()->setText("10.0.0.1"); }));
    EXPECT_FALSE(dialog.RangesChanged());
    ClickBox(dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(test::ReadBytes(RangeFile()), damaged);
    EXPECT_EQ(f.settings.App().ALLEVENT, 0);
}

TEST_F(EventSettingDlgTest, AllNodesKeepsTheRangesInTheFileAndTheSummary) {
    AppSettings app = f.settings.App();
    app.ALLEVENT = 0;
    f.settings.SetApp(app);
    const std::string ranges = test::ReadBytes(RangeFile());
    CEventSettingDlg dialog = Dialog();
    dialog.show();
    EXPECT_TRUE(dialog.SomeNodesButton()->isChecked());
    EXPECT_TRUE(dialog.AddButton()->isEnabled());
    ClickIndicator(dialog.AllNodesButton());
    ClickBox(dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(test::ReadBytes(RangeFile()), ranges);
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "ALLEVENT", -1), 1);
    EXPECT_TRUE(Contains(SummaryEventValues(f.tables.settingsInfo), "198.18.7.1 ～ 198.18.7.9"));
}

TEST_F(EventSettingDlgTest, CancelStoresNothingOfItsOwnAndKeepsWhatItsDialogsStored) {
    const std::string ini = IniBytes();
    const std::string ranges = test::ReadBytes(RangeFile());
    CEventSettingDlg dialog = Dialog();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ClickIndicator(dialog.SomeNodesButton());
    dialog.RangeList()->topLevelItem(1)->setSelected(true);
    QTest::mouseClick(dialog.DeleteButton(), Qt::LeftButton);
    ASSERT_TRUE(Through<CEventActionDlg>([&] { DoubleClickKind(dialog, EVENT_NODE_DOWN); },
                                         [](CEventActionDlg& action) {
                                             action.EnabledList()->setCurrentIndex(1);
                                             action.MailEdit()->setText("down %IP");
                                             ClickBox(action, QDialogButtonBox::Ok);
                                         }));
    ASSERT_TRUE(
        Through<CSniffSettingDlg>([&] { QTest::mouseClick(dialog.SniffButton(), Qt::LeftButton); },
                                  [](CSniffSettingDlg& sniff) {
                                      ClickIndicator(sniff.AnyTestButton());
                                      ClickBox(sniff, QDialogButtonBox::Ok);
                                  }));
    ClickBox(dialog, QDialogButtonBox::Cancel);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    EXPECT_EQ(IniBytes(), ini);
    EXPECT_EQ(test::ReadBytes(RangeFile()), ranges);
    EXPECT_EQ(f.settings.App().ALLEVENT, 1);
    // The event record was written by its own OK, and the criterion is in effect.
    EXPECT_EQ(f.engine.ReadEventSettings(EVENT_NODE_DOWN).mailText, "down %IP");
    EXPECT_EQ(f.settings.App().PROMISS, 0x87);
    EXPECT_TRUE(Contains(SummaryEventValues(f.tables.settingsInfo), "down %IP"));
}

TEST_F(EventSettingDlgTest, TheSniffCriterionIsSavedWithTheOk) {
    CEventSettingDlg dialog = Dialog();
    dialog.show();
    ASSERT_TRUE(
        Through<CSniffSettingDlg>([&] { QTest::mouseClick(dialog.SniffButton(), Qt::LeftButton); },
                                  [](CSniffSettingDlg& sniff) {
                                      QTest::mouseClick(sniff.TestBox(0), Qt::LeftButton);
                                      ClickBox(sniff, QDialogButtonBox::Ok);
                                  }));
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "PROMISS", -1), 7);
    ClickBox(dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(ReadIniInt(SettingsFilePath(), "INIT", "PROMISS", -1), 6);
}

TEST_F(EventSettingDlgTest, TheMailButtonOpensTheMailSettingsOverTheDialog) {
    CEventSettingDlg dialog = Dialog();
    dialog.show();
    QTest::mouseClick(dialog.MailButton(), Qt::LeftButton);
    EXPECT_EQ(mailOwners, std::vector<QWidget*>{&dialog});
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(EventSettingDlgTest, TheCommandOpensTheDialogAndItsMailButtonTheMailSettings) {
    CMainFrame frame(f.services, 20);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    int rows = 0;
    QWidget* mailOwner = nullptr;
    ASSERT_TRUE(Through<CEventSettingDlg>(
        [&] { frame.Actions().Trigger(ID_EVENT_SETTINGS); },
        [&](CEventSettingDlg& dialog) {
            rows = dialog.EventList()->topLevelItemCount();
            EXPECT_TRUE(Through<CMailSettingDlg>(
                [&] { QTest::mouseClick(dialog.MailButton(), Qt::LeftButton); },
                [&](CMailSettingDlg& mail) { mailOwner = mail.parentWidget(); }));
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(mailOwner, &dialog);
        }));
    EXPECT_EQ(rows, EVENT_KIND_COUNT);
}

}  // namespace
}  // namespace halvera
