#include "dialogs/sniff_setting_dlg.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include "dialog_clicks.h"
#include "frame_fixture.h"
#include "store/settings_files.h"
#include "support/file_bytes.h"

namespace halvera {
namespace {

using test::ClickBox;
using test::ClickIndicator;

// Which of B47, B16, B8, Gr are checked, as "1101".
std::string Checked(const CSniffSettingDlg& dialog) {
    std::string marks;
    for (int i = 0; i < 4; ++i) {
        marks += dialog.TestBox(i)->isChecked() ? '1' : '0';
    }
    return marks;
}

std::string Enabled(const CSniffSettingDlg& dialog) {
    std::string marks;
    for (int i = 0; i < 4; ++i) {
        marks += dialog.TestBox(i)->isEnabled() ? '1' : '0';
    }
    return marks;
}

class SniffSettingDlgTest : public ::testing::Test {
  protected:
    void SetPromiss(std::int32_t promiss) {
        AppSettings app = f.settings.App();
        app.PROMISS = promiss;
        f.settings.SetApp(app);
    }

    test::FrameFixture f;
};

TEST_F(SniffSettingDlgTest, OpensWithTheCriterionOfPromiss) {
    struct Case {
        std::int32_t promiss;
        bool anyTest;
        const char* checked;
        const char* enabled;  // Gr is never offered: no probe sends it
    };
    const Case cases[] = {
        {7, false, "1110", "1110"},    {0x85, true, "1010", "0000"}, {0x80, true, "0000", "0000"},
        {0x0A, false, "0101", "1110"}, {0, false, "0000", "1110"},
    };
    for (const Case& c : cases) {
        SetPromiss(c.promiss);
        CSniffSettingDlg dialog(f.engine);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Halvera: Event Setting"));
        EXPECT_EQ(dialog.AnyTestButton()->isChecked(), c.anyTest) << c.promiss;
        EXPECT_EQ(dialog.SelectedTestsButton()->isChecked(), !c.anyTest) << c.promiss;
        EXPECT_EQ(Checked(dialog), c.checked) << c.promiss;
        EXPECT_EQ(Enabled(dialog), c.enabled) << c.promiss;
    }
}

TEST_F(SniffSettingDlgTest, OkPutsTheCriterionIntoEffectAndCancelLeavesIt) {
    struct Case {
        const char* name;
        std::int32_t before;
        std::function<void(CSniffSettingDlg&)> choose;
        QDialogButtonBox::StandardButton close;
        std::int32_t after;
    };
    const std::vector<Case> cases = {
        {"any keeps the tests", 7, [](CSniffSettingDlg& d) { ClickIndicator(d.AnyTestButton()); },
         QDialogButtonBox::Ok, 0x87},
        {"B16 alone", 7,
         [](CSniffSettingDlg& d) {
             ClickIndicator(d.TestBox(0));
             ClickIndicator(d.TestBox(2));
         },
         QDialogButtonBox::Ok, 0x02},
        {"back from any to the kept tests", 0x85,
         [](CSniffSettingDlg& d) { ClickIndicator(d.SelectedTestsButton()); }, QDialogButtonBox::Ok,
         0x05},
        {"no test at all", 0x01, [](CSniffSettingDlg& d) { ClickIndicator(d.TestBox(0)); },
         QDialogButtonBox::Ok, 0},
        {"a stored Gr stays", 0x09, [](CSniffSettingDlg& d) { ClickIndicator(d.TestBox(1)); },
         QDialogButtonBox::Ok, 0x0B},
        {"cancelled", 7, [](CSniffSettingDlg& d) { ClickIndicator(d.AnyTestButton()); },
         QDialogButtonBox::Cancel, 7},
    };
    for (const Case& c : cases) {
        SetPromiss(c.before);
        CSniffSettingDlg dialog(f.engine);
        dialog.show();
        c.choose(dialog);
        ClickBox(dialog, c.close);
        EXPECT_FALSE(dialog.isVisible()) << c.name;
        EXPECT_EQ(f.settings.App().PROMISS, c.after) << c.name;
    }
    // The dialog saves nothing itself; the event settings' OK does.
    EXPECT_FALSE(std::filesystem::exists(SettingsFilePath()));
}

TEST_F(SniffSettingDlgTest, AnyKeepsTheBoxesForTheWayBack) {
    SetPromiss(0x05);
    {
        CSniffSettingDlg dialog(f.engine);
        dialog.show();
        ClickIndicator(dialog.AnyTestButton());
        EXPECT_EQ(Enabled(dialog), "0000");
        ClickBox(dialog, QDialogButtonBox::Ok);
    }
    EXPECT_EQ(f.settings.App().PROMISS, 0x85);
    CSniffSettingDlg again(f.engine);
    again.show();
    ClickIndicator(again.SelectedTestsButton());
    EXPECT_EQ(Checked(again), "1010");
    EXPECT_EQ(Enabled(again), "1110");
}

}  // namespace
}  // namespace halvera
