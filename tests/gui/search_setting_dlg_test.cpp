#include "dialogs/search_setting_dlg.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <string>
#include <vector>

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "dialogs/search_address_dlg.h"
#include "frame_fixture.h"
#include "store/line_codec.h"
#include "store/settings_files.h"
#include "support/file_bytes.h"

namespace halvera {
namespace {

std::filesystem::path RangeFilePath() {
    return DbFolder() / "SearchNodeDB.na";
}

std::string RangeFileBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += EncodeLine(line, line.size()) + "\r\n";
    }
    return bytes;
}

// Kelvane.ini with the lines of these keys replaced, in place.
std::string WithKeys(std::string ini,
                     const std::vector<std::pair<std::string, std::string>>& keys) {
    for (const auto& [key, value] : keys) {
        const std::size_t at = ini.find("\r\n" + key + "=");
        EXPECT_NE(at, std::string::npos) << key;
        const std::size_t from = at + 2 + key.size() + 1;
        ini.replace(from, ini.find("\r\n", from) - from, value);
    }
    return ini;
}

QString Rows(const QTreeWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        rows << list->topLevelItem(i)->text(0) + " - " + list->topLevelItem(i)->text(1);
    }
    return rows.join(QStringLiteral(", "));
}

class SearchSettingDlgTest : public ::testing::Test {
  protected:
    SearchSettingDlgTest() {
        f.driver.adapters = std::vector<CaptureAdapter>{
            {"eth0", "", MakeIp(10, 1, 2, 3), MakeIp(255, 255, 0, 0), {2, 0, 0, 0, 0, 1}},
            {"veth-lab",
             "lab segment",
             MakeIp(198, 18, 7, 2),
             MakeIp(255, 255, 255, 0),
             {2, 0, 0, 0, 0, 2}}};
        AppSettings app = f.settings.App();
        app.ADPNUM = 0;
        app.ADPNAME = "eth0";
        app.NEWTIME = 3600;
        app.NEWTIMEUNIT = 3600;
        app.LOOKTIME = 600;
        app.LOOKTIMEUNIT = 60;
        f.settings.SetApp(app);
        f.engine.SaveSettings();
        f.engine.SearchRanges().AppendRange(MakeIp(10, 1, 0, 1), MakeIp(10, 1, 0, 9));
        f.engine.SearchRanges().AppendRange(MakeIp(10, 1, 1, 1), MakeIp(10, 1, 1, 9));
    }

    // Presses OK; true when the dialog ended with it.
    static bool PressOk(CSearchSettingDlg& dialog) {
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
        return !dialog.isVisible() && dialog.result() == QDialog::Accepted;
    }

    // Presses 追加 and lets `drive` work the range dialog while it is open.
    static void AddThrough(CSearchSettingDlg& dialog,
                           const std::function<void(CSearchAddressDlg&)>& drive) {
        QTimer::singleShot(0, [&] {
            auto* address = qobject_cast<CSearchAddressDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(address, nullptr);
            drive(*address);
            if (address->isVisible()) {
                address->reject();
            }
        });
        QTest::mouseClick(dialog.AddButton(), Qt::LeftButton);
    }

    test::FrameFixture f;
};

TEST_F(SearchSettingDlgTest, OpensWithTheStoredSettingsAndRanges) {
    CSearchSettingDlg dialog(f.engine, f.prompt);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Halvera: Search Option"));
    ASSERT_EQ(dialog.AdapterList()->count(), 2);
    EXPECT_EQ(dialog.AdapterList()->itemText(0), QStringLiteral("eth0"));
    EXPECT_EQ(dialog.AdapterList()->itemText(1), QStringLiteral("veth-lab (lab segment)"));
    EXPECT_EQ(dialog.AdapterList()->currentIndex(), 0);
    EXPECT_EQ(dialog.NewTimeEdit()->text(), QStringLiteral("1"));
    EXPECT_EQ(dialog.NewUnitList()->currentText(), QStringLiteral("時"));
    EXPECT_EQ(dialog.LookTimeEdit()->text(), QStringLiteral("10"));
    EXPECT_EQ(dialog.LookUnitList()->currentText(), QStringLiteral("分"));
    EXPECT_EQ(dialog.TimeoutEdit()->text(), QStringLiteral("100"));
    EXPECT_EQ(dialog.RetryEdit()->text(), QStringLiteral("3"));
    EXPECT_EQ(dialog.SendRateEdit()->text(), QStringLiteral("1000"));
    EXPECT_EQ(Rows(dialog.RangeList()), QStringLiteral("10.1.0.1 - 10.1.0.9, 10.1.1.1 - 10.1.1.9"));
    EXPECT_EQ(dialog.RangeList()->columnWidth(0), 130);
    EXPECT_EQ(dialog.RangeList()->columnWidth(1), 130);
    EXPECT_FALSE(dialog.RangesChanged());
    EXPECT_TRUE(f.prompt.Boxes().empty());
}

TEST_F(SearchSettingDlgTest, OkChecksEveryFieldAndStoresOnlyWhenAllPass) {
    struct Case {
        const char* name;
        std::function<void(CSearchSettingDlg&)> edit;
        const char* message;                                    // empty: accepted
        std::vector<std::pair<std::string, std::string>> keys;  // Kelvane.ini after OK
    };
    const auto timeout = [](const char* text) {
        return [text](CSearchSettingDlg& d) { d.TimeoutEdit()->setText(QString::fromUtf8(text)); };
    };
    const auto retry = [](const char* text) {
        return [text](CSearchSettingDlg& d) { d.RetryEdit()->setText(QString::fromUtf8(text)); };
    };
    const char* const badTimeout = "タイムアウト値が不正です。(1～60000msec)";
    const char* const badRetry = "再送回数が不正です。(0～100回)";
    const std::vector<Case> cases = {
        {"2 hours",
         [](CSearchSettingDlg& d) {
             d.NewTimeEdit()->setText("2");
             d.NewUnitList()->setCurrentIndex(1);
         },
         "",
         {{"NEWTIME", "7200"}, {"NEWTIMEUNIT", "3600"}}},
        {"3 days of status polling",
         [](CSearchSettingDlg& d) {
             d.LookTimeEdit()->setText("3");
             d.LookUnitList()->setCurrentIndex(2);
         },
         "",
         {{"LOOKTIME", "259200"}, {"LOOKTIMEUNIT", "86400"}}},
        {"time-out 0", timeout("0"), badTimeout, {}},
        {"time-out 1", timeout("1"), "", {{"TIMEOUT", "1"}}},
        {"time-out 60000", timeout("60000"), "", {{"TIMEOUT", "60000"}}},
        {"time-out 60001", timeout("60001"), badTimeout, {}},
        {"retry -1", retry("-1"), badRetry, {}},
        {"retry 0", retry("0"), "", {{"RETRY", "0"}}},
        {"retry 100", retry("100"), "", {{"RETRY", "100"}}},
        {"retry 101", retry("101"), badRetry, {}},
        {"send rate 0",
         [](CSearchSettingDlg& d) { d.SendRateEdit()->setText("0"); },
         "送信レートが不正です。(1～100000フレーム/秒)",
         {}},
        {"a gentle send rate",
         [](CSearchSettingDlg& d) { d.SendRateEdit()->setText("5"); },
         "",
         {{"SENDRATE", "5"}}},
        {"polling off, stopped nodes leave the list",
         [](CSearchSettingDlg& d) {
             d.NewEnableBox()->setChecked(false);
             d.LookEnableBox()->setChecked(false);
             d.NodeDispBox()->setChecked(true);
         },
         "",
         {{"LOOKENABLE", "0"}, {"NEWENABLE", "0"}, {"NODEDISP", "1"}}},
        {"the second adapter",
         [](CSearchSettingDlg& d) { d.AdapterList()->setCurrentIndex(1); },
         "",
         {{"ADPNUM", "1"}, {"ADPNAME", "veth-lab (lab segment)"}}},
    };
    for (const Case& c : cases) {
        const AppSettings before = f.settings.App();
        const std::string ini = test::ReadBytes(SettingsFilePath());
        f.prompt.Clear();
        CSearchSettingDlg dialog(f.engine, f.prompt);
        dialog.show();
        c.edit(dialog);
        const bool accepted = PressOk(dialog);
        EXPECT_EQ(accepted, *c.message == '\0') << c.name;
        if (!accepted) {
            EXPECT_EQ(f.prompt.Texts(), std::vector<std::string>{Sjis(c.message)}) << c.name;
            EXPECT_EQ(f.prompt.Boxes().front().icon, PromptIcon::Stop) << c.name;
            EXPECT_TRUE(dialog.isVisible()) << c.name;
            EXPECT_EQ(f.settings.App(), before) << c.name;
            EXPECT_EQ(test::ReadBytes(SettingsFilePath()), ini) << c.name;
            continue;
        }
        EXPECT_TRUE(f.prompt.Boxes().empty()) << c.name;
        EXPECT_EQ(test::ReadBytes(SettingsFilePath()), WithKeys(ini, c.keys)) << c.name;
        // Put back for the next case.
        f.settings.SetApp(before);
        f.engine.SaveSettings();
    }
}

TEST_F(SearchSettingDlgTest, AnIntervalInHoursIsShownAgainInHours) {
    {
        CSearchSettingDlg dialog(f.engine, f.prompt);
        dialog.show();
        dialog.NewTimeEdit()->setText("2");
        dialog.NewUnitList()->setCurrentIndex(1);
        ASSERT_TRUE(PressOk(dialog));
    }
    EXPECT_EQ(f.settings.App().NEWTIME, 7200);
    EXPECT_EQ(f.settings.App().NEWTIMEUNIT, 3600);
    CSearchSettingDlg again(f.engine, f.prompt);
    EXPECT_EQ(again.NewTimeEdit()->text(), QStringLiteral("2"));
    EXPECT_EQ(again.NewUnitList()->currentText(), QStringLiteral("時"));
}

TEST_F(SearchSettingDlgTest, ARefusedTimeoutLeavesFilesAndSettingsAsTheyWere) {
    const AppSettings before = f.settings.App();
    const std::string ini = test::ReadBytes(SettingsFilePath());
    const std::string ranges = test::ReadBytes(RangeFilePath());
    CSearchSettingDlg dialog(f.engine, f.prompt);
    dialog.show();
    // Every field that comes before the time-out changed.
    dialog.AdapterList()->setCurrentIndex(1);
    dialog.NewTimeEdit()->setText("5");
    dialog.NewUnitList()->setCurrentIndex(2);
    dialog.LookEnableBox()->setChecked(false);
    dialog.NodeDispBox()->setChecked(true);
    dialog.RangeList()->topLevelItem(0)->setSelected(true);
    QTest::mouseClick(dialog.DeleteButton(), Qt::LeftButton);
    dialog.TimeoutEdit()->setText("0");

    EXPECT_FALSE(PressOk(dialog));
    EXPECT_EQ(f.prompt.Texts(),
              std::vector<std::string>{Sjis("タイムアウト値が不正です。(1～60000msec)")});
    EXPECT_EQ(f.settings.App(), before);
    EXPECT_EQ(test::ReadBytes(SettingsFilePath()), ini);
    EXPECT_EQ(test::ReadBytes(RangeFilePath()), ranges);

    // Mended, the same OK stores everything at once.
    dialog.TimeoutEdit()->setText("200");
    ASSERT_TRUE(PressOk(dialog));
    EXPECT_EQ(test::ReadBytes(RangeFilePath()), RangeFileBytes({"10.1.1.1,10.1.1.9"}));
    EXPECT_EQ(test::ReadBytes(SettingsFilePath()),
              WithKeys(ini, {{"LOOKENABLE", "0"},
                             {"NEWTIME", "432000"},
                             {"NEWTIMEUNIT", "86400"},
                             {"TIMEOUT", "200"},
                             {"NODEDISP", "1"},
                             {"ADPNUM", "1"},
                             {"ADPNAME", "veth-lab (lab segment)"}}));
}

TEST_F(SearchSettingDlgTest, TheRangeDialogAddsRangesOfTheLocalNetwork) {
    struct Case {
        const char* name;
        Ipv4 own;
        Ipv4 mask;
        bool local;         // tick ローカルネットワーク
        const char* start;  // typed when not local
        const char* end;
        const char* row;  // the row added; nullptr when refused
    };
    const Case cases[] = {
        {"/24", MakeIp(192, 168, 1, 20), MakeIp(255, 255, 255, 0), true, "", "",
         "192.168.1.1 - 192.168.1.254"},
        {"255.255.0.0", MakeIp(10, 1, 2, 3), MakeIp(255, 255, 0, 0), true, "", "",
         "10.1.0.1 - 10.1.255.254"},
        {"/20", MakeIp(172, 16, 37, 9), MakeIp(255, 255, 240, 0), true, "", "",
         "172.16.32.1 - 172.16.47.254"},
        {"one address", 0, 0, false, "198.18.7.9", "198.18.7.9", "198.18.7.9 - 198.18.7.9"},
        {"reversed", 0, 0, false, "198.18.7.9", "198.18.7.1", nullptr},
        {"not an address", 0, 0, false, "198.18.7", "198.18.7.1", nullptr},
    };
    for (const Case& c : cases) {
        f.engine.localAdapter = LocalAdapterInfo{c.own, c.mask, {}};
        f.prompt.Clear();
        CSearchSettingDlg dialog(f.engine, f.prompt);
        dialog.show();
        const QString before = Rows(dialog.RangeList());
        bool stayedOpen = false;
        AddThrough(dialog, [&](CSearchAddressDlg& address) {
            EXPECT_EQ(address.windowTitle(), QStringLiteral("Halvera: Search Address"));
            EXPECT_EQ(address.StartEdit()->text(), QStringLiteral("0.0.0.0"));
            if (c.local) {
                QTest::mouseClick(address.LocalNetworkBox(), Qt::LeftButton);
            } else {
                address.StartEdit()->setText(QString::fromUtf8(c.start));
                address.EndEdit()->setText(QString::fromUtf8(c.end));
            }
            QTest::keyClick(address.EndEdit(), Qt::Key_Return);
            stayedOpen = address.isVisible();
        });
        EXPECT_TRUE(dialog.RangesChanged()) << c.name;
        if (c.row == nullptr) {
            EXPECT_TRUE(stayedOpen) << c.name;
            EXPECT_EQ(f.prompt.Texts(), std::vector<std::string>{Sjis("アドレス範囲が不正です。")})
                << c.name;
            EXPECT_EQ(Rows(dialog.RangeList()), before) << c.name;
            continue;
        }
        EXPECT_FALSE(stayedOpen) << c.name;
        EXPECT_EQ(Rows(dialog.RangeList()), before + ", " + QString::fromUtf8(c.row)) << c.name;
    }
}

TEST_F(SearchSettingDlgTest, RangesAreWrittenOnlyByOkAndInTheirListOrder) {
    f.engine.localAdapter = LocalAdapterInfo{MakeIp(198, 18, 7, 2), MakeIp(255, 255, 255, 0), {}};
    const std::string ranges = test::ReadBytes(RangeFilePath());
    {
        CSearchSettingDlg dialog(f.engine, f.prompt);
        dialog.show();
        AddThrough(dialog, [](CSearchAddressDlg& address) {
            QTest::mouseClick(address.LocalNetworkBox(), Qt::LeftButton);
            address.accept();
        });
        dialog.reject();
    }
    EXPECT_EQ(test::ReadBytes(RangeFilePath()), ranges);

    CSearchSettingDlg dialog(f.engine, f.prompt);
    dialog.show();
    AddThrough(dialog, [](CSearchAddressDlg& address) {
        QTest::mouseClick(address.LocalNetworkBox(), Qt::LeftButton);
        // Unticked again, both fields go back to 0.0.0.0.
        QTest::mouseClick(address.LocalNetworkBox(), Qt::LeftButton);
        EXPECT_EQ(address.EndEdit()->text(), QStringLiteral("0.0.0.0"));
        QTest::mouseClick(address.LocalNetworkBox(), Qt::LeftButton);
        address.accept();
    });
    dialog.RangeList()->topLevelItem(0)->setSelected(true);
    dialog.RangeList()->topLevelItem(1)->setSelected(true);
    QTest::mouseClick(dialog.DeleteButton(), Qt::LeftButton);
    AddThrough(dialog, [](CSearchAddressDlg& address) {
        address.StartEdit()->setText("10.9.0.1");
        address.EndEdit()->setText("10.9.0.2");
        address.accept();
    });
    ASSERT_TRUE(PressOk(dialog));
    EXPECT_EQ(test::ReadBytes(RangeFilePath()),
              RangeFileBytes({"198.18.7.1,198.18.7.254", "10.9.0.1,10.9.0.2"}));
}

TEST_F(SearchSettingDlgTest, ACancelledRangeDialogStillRewritesTheSameRanges) {
    const std::string ranges = test::ReadBytes(RangeFilePath());
    CSearchSettingDlg dialog(f.engine, f.prompt);
    dialog.show();
    AddThrough(dialog, [](CSearchAddressDlg& address) { address.reject(); });
    EXPECT_TRUE(dialog.RangesChanged());
    ASSERT_TRUE(PressOk(dialog));
    EXPECT_EQ(test::ReadBytes(RangeFilePath()), ranges);
    EXPECT_EQ(ranges, RangeFileBytes({"10.1.0.1,10.1.0.9", "10.1.1.1,10.1.1.9"}));
}

TEST_F(SearchSettingDlgTest, AnAdapterListThatCannotBeReadLeavesTheListEmpty) {
    f.driver.adapters.reset();
    CSearchSettingDlg dialog(f.engine, f.prompt);
    EXPECT_EQ(dialog.AdapterList()->count(), 0);
    EXPECT_EQ(f.prompt.Texts(), std::vector<std::string>{Sjis("アダプタ情報が取得できません。")});
    EXPECT_EQ(f.prompt.Boxes().front().icon, PromptIcon::Stop);
    ASSERT_GE(f.tables.errorLog.RowCount(), 1);
    EXPECT_EQ(f.tables.errorLog.Snapshot().back().cells[0], "searchsetd");
    // The adapter chosen before stays.
    dialog.show();
    ASSERT_TRUE(PressOk(dialog));
    EXPECT_EQ(f.settings.App().ADPNAME, "eth0");
}

TEST_F(SearchSettingDlgTest, AUserWhoMayNotSearchSeesTheAdaptersAndTheFix) {
    const struct {
        RawSocketCheck rights;
        const char* fix;  // empty: no hint
    } cases[] = {
        {RawSocketCheck::Allowed, ""},
        {RawSocketCheck::HelperNotPermitted,
         "halvera グループに参加して、ログインし直してください。"},
        {RawSocketCheck::HelperMissing, "セットアップを実行してください。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.rights));
        f.driver.rawSocket = c.rights;
        f.prompt.Clear();
        CSearchSettingDlg dialog(f.engine, f.prompt);
        dialog.show();
        EXPECT_EQ(dialog.AdapterList()->count(), 2);
        EXPECT_EQ(dialog.RightsHint()->isVisible(), *c.fix != '\0');
        EXPECT_TRUE(dialog.RightsHint()->text().contains(QString::fromUtf8(c.fix)))
            << dialog.RightsHint()->text().toStdString();
        // A hint, not a box to click away.
        EXPECT_TRUE(f.prompt.Boxes().empty());
    }
}

TEST_F(SearchSettingDlgTest, OkOfTheCommandRefreshesBannerStatusBarAndSettingsList) {
    CMainFrame frame(f.services, 20);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    const QString interfaceBefore = frame.InterfaceLine();
    f.banner.SetSummaryText(Sjis("【データ出力】 x"));
    const std::size_t boxesBefore = f.prompt.Boxes().size();
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CSearchSettingDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->AdapterList()->setCurrentIndex(1);
        dialog->accept();
    });
    frame.Actions().Trigger(ID_SEARCH_SETTINGS);
    EXPECT_NE(frame.InterfaceLine(), interfaceBefore);
    EXPECT_TRUE(frame.InterfaceLine().endsWith(QStringLiteral("veth-lab (lab segment)")))
        << frame.InterfaceLine().toStdString();
    EXPECT_EQ(f.banner.Text().find(Sjis("【データ出力】")), std::string::npos);
    bool listed = false;
    for (const ListRow& row : f.tables.settingsInfo.Snapshot()) {
        for (const std::string& cell : row.cells) {
            listed = listed || cell == "veth-lab (lab segment)";
        }
    }
    EXPECT_TRUE(listed);
    EXPECT_EQ(f.prompt.Boxes().size(), boxesBefore);
}

}  // namespace
}  // namespace halvera
