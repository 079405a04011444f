#include "dialogs/color_dlg.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdint>
#include <utility>

#include "dialogs/color_button.h"
#include "monitor/display_colours_change.h"
#include "views/list_colours.h"

namespace halvera {
namespace {

constexpr QSize BUTTON_SIZE{48, 22};

std::optional<QColor> ChooseWithColorDialog(const QColor& initial, QWidget* owner) {
    const QColor chosen = QColorDialog::getColor(initial, owner);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return chosen;
}

struct Row {
    const char* label;
    int left;
    int right;  // -1: one button only
};

// The two background colours share a row: the list's and the odd node list rows'.
constexpr Row ROWS[] = {
    {"画面の背景色", COLOUR_BACKGROUND, COLOUR_ODD_BACKGROUND},
    {"正常ノードの文字色", COLOUR_TEXT, -1},
    {"非管理ノードの文字色", COLOUR_UNMONITORED, -1},
    {"停止ノードの文字色", COLOUR_STOPPED, -1},
    {"盗聴ノードの文字色", COLOUR_SNIFFING, -1},
};

}  // namespace

CColorDlg::CColorDlg(Engine& engine, QWidget* parent, ColourChooser chooser)
    : QDialog(parent),
      m_engine(engine),
      m_chooser(chooser ? std::move(chooser) : ColourChooser(ChooseWithColorDialog)),
      m_pending(DisplayColours::Of(engine.Settings().App())) {
    setWindowTitle(QStringLiteral("Halvera: Color"));
    auto* heading = new QLabel(QStringLiteral("画面表示色"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    auto* group = new QGroupBox(QStringLiteral("表示色"), this);
    auto* grid = new QGridLayout(group);
    int line = 0;
    for (const Row& row : ROWS) {
        grid->addWidget(new QLabel(QString::fromUtf8(row.label), group), line, 0);
        for (const int item : {row.left, row.right}) {
            if (item < 0) {
                continue;
            }
            auto* button = new CColorButton(group);
            button->setObjectName(QString::fromUtf8(DisplayColourKey(item)));
            button->setFixedSize(BUTTON_SIZE);
            connect(button, &QPushButton::clicked, this, [this, item] { Choose(item); });
            grid->addWidget(button, line, item == row.left ? 1 : 2);
            m_buttons[item] = button;
        }
        ++line;
    }
    for (const ColourScheme scheme : {ColourScheme::Light, ColourScheme::Dark}) {
        const bool light = scheme == ColourScheme::Light;
        grid->addWidget(new QLabel(light ? QStringLiteral("標準色（ホワイト）")
                                         : QStringLiteral("標準色（ブラック）"),
                                   group),
                        line, 0);
        auto* button = new QPushButton(QStringLiteral("設定"), group);
        connect(button, &QPushButton::clicked, this, [this, scheme] { LoadScheme(scheme); });
        grid->addWidget(button, line, 1, 1, 2);
        (light ? m_lightScheme : m_darkScheme) = button;
        ++line;
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CColorDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CColorDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(group);
    layout->addWidget(buttons);
    ShowPending();
}

QPushButton* CColorDlg::SchemeButton(ColourScheme scheme) const {
    return scheme == ColourScheme::Light ? m_lightScheme : m_darkScheme;
}

void CColorDlg::Choose(int item) {
    // The chooser starts from the colour the lists show now, and cancelling it puts that
    // colour back on the item, over a chosen colour or a scheme's.
    const std::int32_t stored = DisplayColours::Of(m_engine.Settings().App()).values[item];
    const std::optional<QColor> chosen = m_chooser(ColourFromColorRef(stored), this);
    m_pending.values[item] = chosen ? ColorRefFromColour(*chosen) : stored;
    ShowPending();
}

void CColorDlg::LoadScheme(ColourScheme scheme) {
    m_pending = DisplayColours::Scheme(scheme);
    ShowPending();
}

void CColorDlg::ShowPending() {
    for (int item = 0; item < DISPLAY_COLOUR_COUNT; ++item) {
        m_buttons[item]->SetFaceColour(ColourFromColorRef(m_pending.values[item]));
    }
}

void CColorDlg::accept() {
    ChangeDisplayColours(m_engine, m_pending);
    QDialog::accept();
}

}  // namespace halvera
