#include "dialogs/color_dlg.h"

#include <gtest/gtest.h>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "dialogs/color_button.h"
#include "frame_fixture.h"
#include "support/file_bytes.h"
#include "support/kelvane_ini.h"
#include "views/left_view.h"
#include "views/list_colours.h"
#include "views/veskar_view.h"

namespace halvera {
namespace {

// The colour a button shows in its middle, as drawn.
QColor ShownFace(CColorButton* button) {
    const QImage image = button->grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

void ExpectFacesShow(const CColorDlg& dialog, const DisplayColours& colours,
                     const std::string& name) {
    for (int item = 0; item < DISPLAY_COLOUR_COUNT; ++item) {
        EXPECT_EQ(ShownFace(dialog.ColourButton(item)), ColourFromColorRef(colours.values[item]))
            << name << " " << DisplayColourKey(item);
    }
}

void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

void ClickBox(CColorDlg& dialog, QDialogButtonBox::StandardButton which) {
    Click(dialog.findChild<QDialogButtonBox*>()->button(which));
}

class ColorDlgTest : public ::testing::Test {
  protected:
    ColorDlgTest() {
        // A monitored node that is up on an even row, an unmonitored one on an odd row.
        f.tables.nodeList.Append(test::NodeRow("192.168.0.1", ".", true));
        f.tables.nodeList.Append(test::NodeRow("192.168.0.2", ".", false));
        frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
        frame.UpperView()->NodeList()->Model()->ApplyPendingChanges();
    }

    // Runs the display colours command; drive works the dialog while it is open.
    void RunColourCommand(const std::function<void(CColorDlg&)>& drive) {
        bool driven = false;
        QTimer::singleShot(0, [&] {
            for (auto* dialog : frame.findChildren<CColorDlg*>()) {
                if (dialog->isVisible()) {
                    driven = true;
                    drive(*dialog);
                }
            }
        });
        frame.Actions().Trigger(ID_VIEW_COLOURS);
        EXPECT_TRUE(driven);
    }

    std::string IniBytes() const { return test::ReadBytes(f.folder.Path() / "Kelvane.ini"); }

    // All five lists show the background and text colours, and the node list its per-row ones.
    void ExpectListsShow(const DisplayColours& stored, const std::string& name) {
        AppSettings settings;
        stored.StoreIn(settings);
        const ListColours colours = ListColoursFromSettings(settings);
        std::vector<ListControl*> lists = {frame.LowerView()->EventList()};
        for (int tab = TAB_NODE_LIST; tab <= TAB_SETTINGS_INFO; ++tab) {
            lists.push_back(frame.UpperView()->ListOfTab(tab));
        }
        for (ListControl* list : lists) {
            EXPECT_EQ(list->palette().color(QPalette::Base), colours.background) << name;
            EXPECT_EQ(list->palette().color(QPalette::Text), colours.text) << name;
        }
        const ListTableModel* nodes = frame.UpperView()->NodeList()->Model();
        const auto shown = [nodes](int row, int role) {
            return nodes->data(nodes->index(row, NODE_COL_LABEL), role).value<QColor>();
        };
        EXPECT_EQ(shown(0, Qt::BackgroundRole), colours.background) << name;
        EXPECT_EQ(shown(1, Qt::BackgroundRole), colours.oddBackground) << name;
        EXPECT_EQ(shown(0, Qt::ForegroundRole), colours.text) << name;
        EXPECT_EQ(shown(1, Qt::ForegroundRole), colours.unmonitored) << name;
    }

    test::FrameFixture f;
    CMainFrame frame{f.services, 20};
};

TEST_F(ColorDlgTest, ASchemeIsStoredSavedAndAppliedOnlyOnOk) {
    const DisplayColours light = DisplayColours::Scheme(ColourScheme::Light);
    const DisplayColours dark = DisplayColours::Scheme(ColourScheme::Dark);
    struct Case {
        const char* name;
        ColourScheme scheme;
        QDialogButtonBox::StandardButton close;
        DisplayColours stored;  // afterwards
        std::string ini;        // afterwards; empty: as it was before
    };
    // In order: each case starts from what the one before stored.
    const Case cases[] = {
        {"black, Cancel", ColourScheme::Dark, QDialogButtonBox::Cancel, light, ""},
        {"black, OK", ColourScheme::Dark, QDialogButtonBox::Ok, dark,
         test::KelvaneIniWithColours(test::DARK_SCHEME_LINES)},
        {"white, Cancel", ColourScheme::Light, QDialogButtonBox::Cancel, dark, ""},
        {"white, OK", ColourScheme::Light, QDialogButtonBox::Ok, light,
         test::KelvaneIniWithColours(test::LIGHT_SCHEME_LINES)},
    };
    for (const Case& c : cases) {
        const AppSettings before = f.settings.App();
        const std::string iniBefore = IniBytes();
        RunColourCommand([&](CColorDlg& dialog) {
            ExpectFacesShow(dialog, DisplayColours::Of(before), std::string(c.name) + ", opened");
            Click(dialog.SchemeButton(c.scheme));
            ExpectFacesShow(dialog, DisplayColours::Scheme(c.scheme),
                            std::string(c.name) + ", scheme");
            // Nothing is stored before OK.
            EXPECT_EQ(f.settings.App(), before) << c.name;
            ClickBox(dialog, c.close);
        });
        AppSettings expected = before;
        c.stored.StoreIn(expected);
        EXPECT_EQ(f.settings.App(), expected) << c.name;
        EXPECT_EQ(IniBytes(), c.ini.empty() ? iniBefore : c.ini) << c.name;
        ExpectListsShow(c.stored, c.name);
    }
}

TEST_F(ColorDlgTest, TheChooserStartsFromTheStoredColourAndItsCancelRestoresIt) {
    struct Step {
        const char* name;
        int item;                      // the button clicked
        std::optional<QColor> chosen;  // what the chooser answers
        QColor offered;                // what the chooser was preset to
        QColor shown;                  // the item's pending colour afterwards
    };
    // The stored colours are the white scheme's; the black one is pending. The chooser always
    // starts from the stored colour, and its Cancel puts the stored colour back, over a chosen
    // colour as over a scheme's.
    const QColor chosen(0x12, 0x34, 0x56);
    const Step steps[] = {
        {"choose", COLOUR_UNMONITORED, chosen, QColor(192, 192, 192), chosen},
        {"cancel the chosen", COLOUR_UNMONITORED, std::nullopt, QColor(192, 192, 192),
         QColor(192, 192, 192)},
        {"cancel a scheme's", COLOUR_BACKGROUND, std::nullopt, QColor(255, 255, 255),
         QColor(255, 255, 255)},
        {"choose over a scheme's", COLOUR_STOPPED, chosen, QColor(255, 0, 0), chosen},
    };
    std::deque<std::optional<QColor>> answers;
    std::vector<QColor> offered;
    CColorDlg dialog(f.engine, &frame, [&](const QColor& initial, QWidget* owner) {
        EXPECT_EQ(owner, &dialog);
        offered.push_back(initial);
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    });
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    Click(dialog.SchemeButton(ColourScheme::Dark));
    DisplayColours expected = DisplayColours::Scheme(ColourScheme::Dark);
    for (const Step& step : steps) {
        answers.push_back(step.chosen);
        Click(dialog.ColourButton(step.item));
        ASSERT_FALSE(offered.empty()) << step.name;
        EXPECT_EQ(offered.back(), step.offered) << step.name;
        expected.values[step.item] = ColorRefFromColour(step.shown);
        EXPECT_EQ(dialog.Pending(), expected) << step.name;
        ExpectFacesShow(dialog, expected, step.name);
    }
    EXPECT_EQ(offered.size(), std::size(steps));

    ClickBox(dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(DisplayColours::Of(f.settings.App()), expected);
    // SCOLOR 0x00BBGGRR of (0x12, 0x34, 0x56); BCOLOR and NCOLOR the white scheme's.
    EXPECT_EQ(IniBytes(), test::KelvaneIniWithColours(
                              "BCOLOR=16777215\r\nBCOLOR2=2105376\r\nFCOLOR=12632256\r\n"
                              "SCOLOR=5649426\r\nPCOLOR=16711680\r\nNCOLOR=12632256\r\n"));
}

TEST_F(ColorDlgTest, ButtonsShowTheirColourUnderTheirRowLabels) {
    CColorDlg dialog(f.engine, &frame, [](const QColor&, QWidget*) { return std::nullopt; });
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Halvera: Color"));
    struct Row {
        int item;
        const char* label;
    };
    const Row rows[] = {
        {COLOUR_BACKGROUND, "画面の背景色"},    {COLOUR_ODD_BACKGROUND, "画面の背景色"},
        {COLOUR_TEXT, "正常ノードの文字色"},    {COLOUR_UNMONITORED, "非管理ノードの文字色"},
        {COLOUR_STOPPED, "停止ノードの文字色"}, {COLOUR_SNIFFING, "盗聴ノードの文字色"},
    };
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    std::vector<QString> labels;
    for (auto* label : dialog.findChildren<QLabel*>()) {
        labels.push_back(label->text());
    }
    for (const Row& row : rows) {
        CColorButton* button = dialog.ColourButton(row.item);
        ASSERT_NE(button, nullptr) << row.label;
        EXPECT_TRUE(button->text().isEmpty());
        EXPECT_NE(std::find(labels.begin(), labels.end(), QString::fromUtf8(row.label)),
                  labels.end())
            << row.label;
    }
    ExpectFacesShow(dialog, DisplayColours::Of(AppSettings{}), "opened");
    for (ColourScheme scheme : {ColourScheme::Light, ColourScheme::Dark}) {
        EXPECT_EQ(dialog.SchemeButton(scheme)->text(), QStringLiteral("設定"));
    }
}

}  // namespace
}  // namespace halvera
