#include "dialogs/output_setting_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/text_codec.h"

namespace halvera {
namespace {

struct BoxText {
    int bit;
    const char* text;
};

// In the order of the node list's columns; 0x20 ("Gr") selects no column and stays hidden.
constexpr BoxText BOXES[] = {
    {0x1, "監視"},         {0x2, "ラベル"},
    {0x4, "B47"},          {0x8, "B16"},
    {0x10, "B8"},          {0x20, "Gr"},
    {0x40, "IP アドレス"}, {0x100, "MAC アドレス"},
    {0x800, "ホスト名"},   {0x200, "ドメイン or ワークグループ"},
    {0x400, "ベンダー名"}, {0x1000, "検出日付"},
    {0x2000, "更新日付"},
};

constexpr int GRID_ROWS = 7;

}  // namespace

COutputSettingDlg::COutputSettingDlg(Engine& engine, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_prompt(prompt) {
    setWindowTitle(QStringLiteral("Halvera: Output Setting"));
    auto* heading = new QLabel(QStringLiteral("出力設定"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    auto* group = new QGroupBox(QStringLiteral("出力データ選択"), this);
    auto* grid = new QGridLayout(group);
    const int print = m_engine.Settings().App().PRINT;
    int shown = 0;
    for (const BoxText& entry : BOXES) {
        auto* box = new QCheckBox(QString::fromUtf8(entry.text), group);
        box->setChecked((print & entry.bit) != 0);
        if (entry.bit == 0x20) {
            box->setEnabled(false);
            box->hide();
        } else {
            grid->addWidget(box, shown % GRID_ROWS, shown / GRID_ROWS);
            ++shown;
        }
        m_boxes.push_back({entry.bit, box});
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    connect(buttons, &QDialogButtonBox::accepted, this, &COutputSettingDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COutputSettingDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

QCheckBox* COutputSettingDlg::BitBox(int bit) const {
    for (const Box& entry : m_boxes) {
        if (entry.bit == bit) {
            return entry.box;
        }
    }
    return nullptr;
}

void COutputSettingDlg::accept() {
    AppSettings settings = m_engine.Settings().App();
    for (const Box& entry : m_boxes) {
        settings.PRINT =
            entry.box->isChecked() ? (settings.PRINT | entry.bit) : (settings.PRINT & ~entry.bit);
    }
    m_engine.Settings().SetApp(settings);
    if (m_prompt.ShowMessage(Sjis("ノードリストのデータを出力します。よろしいですか？"),
                             PromptIcon::Information, PromptButtons::OkCancel) != PROMPT_OK) {
        return;
    }
    m_engine.SaveSettings();
    QDialog::accept();
}

}  // namespace halvera
