#include "dialogs/option_dlg.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "base/text_codec.h"
#include "dialogs/option_list_page.h"
#include "dialogs/option_start_page.h"
#include "frame_fixture.h"
#include "lists/node_list_sort.h"
#include "support/file_bytes.h"
#include "support/kelvane_ini.h"
#include "views/left_view.h"
#include "views/veskar_view.h"

namespace halvera {
namespace {

constexpr int LABEL_BIT = 0x1;
constexpr int ADDRESS_EVENT_BIT = 0x2;
constexpr int INFORMATION_EVENT_BIT = 0x40;
const char* const ROWS_MESSAGE = "イベントリスト表示数を1～65535以内で指定してください。";

// Kelvane.ini with every setting at its default but the given "KEY=value" lines.
std::string IniWith(const std::vector<std::pair<std::string, std::string>>& changed) {
    std::string ini = test::KelvaneIniWithColours(test::LIGHT_SCHEME_LINES);
    for (const auto& [key, value] : changed) {
        const std::size_t start = ini.find("\r\n" + key + "=") + 2;
        const std::size_t end = ini.find("\r\n", start);
        ini.replace(start, end - start, key + "=" + value);
    }
    return ini;
}

// Clicks near the left edge, on the indicator: a box in a wide grid cell takes clicks only
// on its indicator and text.
void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

void ClickBox(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    Click(dialog.findChild<QDialogButtonBox*>()->button(which));
}

class OptionDlgTest : public ::testing::Test {
  protected:
    std::string IniBytes() const { return test::ReadBytes(f.folder.Path() / "Kelvane.ini"); }

    // A dialog whose column changes are recorded; the register page writes below the
    // test's folder.
    std::unique_ptr<COptionDlg> Open() {
        const auto places = DesktopPlaces{f.folder.Path() / "halvera", f.folder.Path(),
                                          f.folder.Path() / "config", f.folder.Path() / "data"};
        auto dialog = std::make_unique<COptionDlg>(
            f.engine, f.prompt, [this](int map, int elist) { shown.emplace_back(map, elist); },
            places);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }

    test::FrameFixture f;
    std::vector<std::pair<int, int>> shown;
};

TEST_F(OptionDlgTest, TheEventListRowCountIsCheckedAndARefusalSavesNothing) {
    struct Case {
        const char* rows;
        bool accepted;
    };
    const Case cases[] = {{"1", true},    {"65535", true}, {"0", false}, {"65536", false},
                          {"abc", false}, {"", false},     {"-1", false}};
    for (const Case& c : cases) {
        const std::string before = IniBytes();
        const std::size_t boxes = f.prompt.Boxes().size();
        auto dialog = Open();
        dialog->Tabs()->setCurrentIndex(1);
        dialog->ListPage()->RowsEdit()->setText(QString::fromLatin1(c.rows));
        ClickBox(*dialog, QDialogButtonBox::Ok);
        if (c.accepted) {
            EXPECT_EQ(dialog->result(), QDialog::Accepted) << c.rows;
            EXPECT_EQ(f.prompt.Boxes().size(), boxes) << c.rows;
            // SORT 0 shows as the address button, which stores 1.
            EXPECT_EQ(IniBytes(), IniWith({{"ELISTMAX", c.rows}, {"SORT", "1"}})) << c.rows;
            continue;
        }
        EXPECT_TRUE(dialog->isVisible()) << c.rows;
        ASSERT_EQ(f.prompt.Boxes().size(), boxes + 1) << c.rows;
        EXPECT_EQ(f.prompt.Texts().back(), Sjis(ROWS_MESSAGE)) << c.rows;
        EXPECT_EQ(f.prompt.Boxes().back().icon, PromptIcon::Stop) << c.rows;
        EXPECT_EQ(dialog->Tabs()->currentWidget(), dialog->ListPage()) << c.rows;
        EXPECT_EQ(IniBytes(), before) << c.rows;
    }
}

TEST_F(OptionDlgTest, OkStoresBothPagesAndCancelNothing) {
    const AppSettings defaults = f.settings.App();
    for (const auto close : {QDialogButtonBox::Cancel, QDialogButtonBox::Ok}) {
        auto dialog = Open();
        COptionListPage& list = *dialog->ListPage();
        COptionStartPage& start = *dialog->StartPage();
        Click(list.NodeListBox(LABEL_BIT));
        Click(list.EventListBox(ADDRESS_EVENT_BIT));
        Click(list.EventListBox(LABEL_BIT));
        Click(list.ScrollBox());
        dialog->Tabs()->setCurrentWidget(&start);
        // Off at first: the sort keys are greyed until the box is ticked.
        EXPECT_FALSE(start.SortKeyButton(SORT_BY_MAC)->isEnabled());
        Click(start.SortBox());
        EXPECT_TRUE(start.SortKeyButton(SORT_BY_MAC)->isEnabled());
        Click(start.SortKeyButton(SORT_BY_MAC));
        // Greyed again, the choice is still stored.
        Click(start.SortBox());
        EXPECT_FALSE(start.SortKeyButton(SORT_BY_MAC)->isEnabled());
        Click(start.PollBox());
        ClickBox(*dialog, close);
        if (close == QDialogButtonBox::Cancel) {
            EXPECT_EQ(f.settings.App(), defaults);
            EXPECT_TRUE(shown.empty());
            EXPECT_FALSE(std::filesystem::exists(f.folder.Path() / "Kelvane.ini"));
        }
    }
    // ELIST 74 (0x4A) without the address, with the label.
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], std::make_pair(0xFFE, 0x49));
    EXPECT_EQ(IniBytes(), IniWith({{"MAP", "4094"},
                                   {"ELIST", "73"},
                                   {"BSORT", "0"},
                                   {"SORT", "2"},
                                   {"BPOLING", "1"},
                                   {"SCROLL", "0"}}));

    // Opened again, the pages show what was stored.
    auto dialog = Open();
    EXPECT_FALSE(dialog->ListPage()->NodeListBox(LABEL_BIT)->isChecked());
    EXPECT_TRUE(dialog->ListPage()->NodeListBox(ADDRESS_EVENT_BIT)->isChecked());
    EXPECT_TRUE(dialog->ListPage()->EventListBox(LABEL_BIT)->isChecked());
    EXPECT_FALSE(dialog->ListPage()->ScrollBox()->isChecked());
    EXPECT_FALSE(dialog->StartPage()->SortBox()->isChecked());
    EXPECT_TRUE(dialog->StartPage()->SortKeyButton(SORT_BY_MAC)->isChecked());
    EXPECT_TRUE(dialog->StartPage()->PollBox()->isChecked());
    // The group column has no box to show; its bit passes through untouched.
    EXPECT_FALSE(dialog->ListPage()->NodeListBox(0x10)->isVisible());
}

TEST_F(OptionDlgTest, EnterAndEscapeOnTheStartPageAreIgnored) {
    enum Page { LIST, START };
    struct Case {
        const char* name;
        Page page;
        Qt::Key key;
        bool staysOpen;
        QDialog::DialogCode result;  // when closed
    };
    // Elsewhere in the dialog the keys are its OK and Cancel.
    const Case cases[] = {
        {"Return on the start page", START, Qt::Key_Return, true, QDialog::Rejected},
        {"Enter on the start page", START, Qt::Key_Enter, true, QDialog::Rejected},
        {"Escape on the start page", START, Qt::Key_Escape, true, QDialog::Rejected},
        {"Escape on the list page", LIST, Qt::Key_Escape, false, QDialog::Rejected},
        {"Return on the list page", LIST, Qt::Key_Return, false, QDialog::Accepted},
    };
    for (const Case& c : cases) {
        auto dialog = Open();
        QWidget* focused = dialog->ListPage()->RowsEdit();
        if (c.page == START) {
            dialog->Tabs()->setCurrentWidget(dialog->StartPage());
            focused = dialog->StartPage()->SortBox();
        }
        focused->setFocus();
        QTest::keyClick(focused, c.key);
        EXPECT_EQ(dialog->isVisible(), c.staysOpen) << c.name;
        if (!c.staysOpen) {
            EXPECT_EQ(dialog->result(), c.result) << c.name;
        }
    }
    // Only the Return on the list page was an OK.
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(OptionDlgTest, TheRegisterPageWritesTheDesktopEntriesAndSaysSo) {
    auto dialog = Open();
    const std::filesystem::path autostart = f.folder.Path() / "config/autostart/Halvera.desktop";
    const std::filesystem::path menu =
        f.folder.Path() / "data/applications/Halvera/Halvera.desktop";
    struct Step {
        std::function<QPushButton*()> button;
        std::filesystem::path entry;
        const char* message;
    };
    const Step steps[] = {
        {[&] { return dialog->RegisterPage()->AutostartButton(); }, autostart,
         "スタートアップへ登録しました。"},
        {[&] { return dialog->RegisterPage()->MenuButton(); }, menu,
         "プログラムファイルへ登録しました。"},
    };
    for (const Step& step : steps) {
        // Twice: the second registration overwrites the first.
        for (int round = 0; round < 2; ++round) {
            Click(step.button());
            ASSERT_FALSE(f.prompt.Boxes().empty());
            EXPECT_EQ(f.prompt.Texts().back(), Sjis(step.message));
            EXPECT_EQ(f.prompt.Boxes().back().icon, PromptIcon::Information);
            EXPECT_TRUE(test::ReadBytes(step.entry).starts_with("[Desktop Entry]\n"));
        }
    }
    EXPECT_TRUE(test::ReadBytes(autostart).find("Exec=\"" + (f.folder.Path() / "halvera").string() +
                                                "\"\n") != std::string::npos);

    // Where no folder can be made, both say they could not register.
    std::filesystem::remove_all(f.folder.Path() / "config");
    std::filesystem::remove_all(f.folder.Path() / "data");
    test::WriteBytes(f.folder.Path() / "config", "");
    test::WriteBytes(f.folder.Path() / "data", "");
    Click(dialog->RegisterPage()->AutostartButton());
    EXPECT_EQ(f.prompt.Texts().back(), Sjis("スタートアップへ登録できません。"));
    Click(dialog->RegisterPage()->MenuButton());
    EXPECT_EQ(f.prompt.Texts().back(), Sjis("プログラムファイルへ登録できません。"));
}

TEST_F(OptionDlgTest, AClearedColumnIsHiddenAtOnceAndAfterARestart) {
    CMainFrame frame{f.services, 20};
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    const auto labelWidth = [](CMainFrame& shownFrame) {
        return shownFrame.UpperView()->NodeList()->header()->sectionSize(NODE_COL_LABEL);
    };
    const auto informationWidth = [](CMainFrame& shownFrame) {
        return shownFrame.LowerView()->EventList()->header()->sectionSize(EVENT_COL_INFO);
    };
    ASSERT_GT(labelWidth(frame), 0);
    bool driven = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = frame.findChild<COptionDlg*>();
        ASSERT_NE(dialog, nullptr);
        driven = true;
        Click(dialog->ListPage()->NodeListBox(LABEL_BIT));
        Click(dialog->ListPage()->EventListBox(INFORMATION_EVENT_BIT));
        // A refused row count still shows the columns as chosen.
        dialog->ListPage()->RowsEdit()->setText(QStringLiteral("0"));
        ClickBox(*dialog, QDialogButtonBox::Ok);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(labelWidth(frame), 0);
        EXPECT_EQ(informationWidth(frame), 0);
        dialog->ListPage()->RowsEdit()->setText(QStringLiteral("100"));
        ClickBox(*dialog, QDialogButtonBox::Ok);
    });
    frame.Actions().Trigger(ID_OPTIONS);
    ASSERT_TRUE(driven);
    EXPECT_EQ(labelWidth(frame), 0);
    frame.close();
    f.engine.Close();

    // The program started again on the same folder reads the columns from the file.
    test::FrameEngine restarted{{f.prompt, f.popup, f.desktop}, test::FrameEngineOptions(f.folder)};
    ASSERT_TRUE(restarted.Open());
    AppServices services{restarted, f.prompt};
    CMainFrame again{services, 20};
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    EXPECT_EQ(restarted.Settings().App().MAP, 0xFFE);
    EXPECT_EQ(labelWidth(again), 0);
    EXPECT_EQ(informationWidth(again), 0);
    EXPECT_GT(again.UpperView()->NodeList()->header()->sectionSize(NODE_COL_IP), 0);
}

}  // namespace
}  // namespace halvera
