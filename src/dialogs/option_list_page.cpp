#include "dialogs/option_list_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace halvera {
namespace {

struct BoxText {
    int bit;
    const char* text;
};

// In the order the page shows them.
constexpr BoxText NODE_BOXES[] = {
    {0x1, "ラベル"},       {0x2, "B47"},       {0x4, "B16"},
    {0x8, "B8"},           {0x10, "Gr"},       {0x20, "IPアドレス"},
    {0x40, "MACアドレス"}, {0x80, "ホスト名"}, {0x100, "ドメイン or ワークグループ"},
    {0x200, "ベンダー名"}, {0x400, "検出日"},  {0x800, "更新日"},
};
constexpr BoxText EVENT_BOXES[] = {
    {0x1, "ラベル"},
    {0x2, "IPアドレス"},
    {0x4, "MACアドレス"},
    {0x8, "ホスト名"},
    {0x10, "ドメイン or ワークグループ"},
    {0x20, "ベンダー名"},
    {0x40, "情報"},
};
constexpr int GRID_COLUMNS = 3;
// The settings key of the event list's row count, typed into its field.
constexpr const char* EVENT_ROWS_KEY = "ELISTMAX";
// No column carries the group bit, so its box stays out of sight as it always was.
constexpr int HIDDEN_BIT = 0x10;

QCheckBox* FindBox(const auto& boxes, int bit) {
    for (const auto& entry : boxes) {
        if (entry.bit == bit) {
            return entry.box;
        }
    }
    return nullptr;
}

}  // namespace

COptionListPage::COptionListPage(const OptionsEntry& entry, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);

    auto* nodeGroup = new QGroupBox(QStringLiteral("ノードリスト"), this);
    auto* nodeGrid = new QGridLayout(nodeGroup);
    int position = 0;
    for (const BoxText& text : NODE_BOXES) {
        auto* box = new QCheckBox(QString::fromUtf8(text.text), nodeGroup);
        box->setChecked((entry.map & text.bit) != 0);
        if (text.bit == HIDDEN_BIT) {
            box->setEnabled(false);
            box->setVisible(false);
        } else {
            nodeGrid->addWidget(box, position / GRID_COLUMNS, position % GRID_COLUMNS);
            ++position;
        }
        m_nodeBoxes.push_back({text.bit, box});
    }
    layout->addWidget(nodeGroup);

    auto* eventGroup = new QGroupBox(QStringLiteral("イベントリスト"), this);
    auto* eventGrid = new QGridLayout(eventGroup);
    position = 0;
    for (const BoxText& text : EVENT_BOXES) {
        auto* box = new QCheckBox(QString::fromUtf8(text.text), eventGroup);
        box->setChecked((entry.elist & text.bit) != 0);
        eventGrid->addWidget(box, position / GRID_COLUMNS, position % GRID_COLUMNS);
        ++position;
        m_eventBoxes.push_back({text.bit, box});
    }
    auto* rowsLine = new QHBoxLayout;
    rowsLine->addWidget(new QLabel(QStringLiteral("最大表示行数"), eventGroup));
    m_rows = new QLineEdit(QString::fromStdString(entry.numbers.at(EVENT_ROWS_KEY)), eventGroup);
    m_rows->setMaxLength(10);
    m_rows->setFixedWidth(m_rows->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    rowsLine->addWidget(m_rows);
    rowsLine->addStretch();
    eventGrid->addLayout(rowsLine, position / GRID_COLUMNS + 1, 0, 1, GRID_COLUMNS);
    layout->addWidget(eventGroup);

    auto* logGroup = new QGroupBox(QStringLiteral("ログリスト"), this);
    auto* logLayout = new QVBoxLayout(logGroup);
    m_scroll = new QCheckBox(QStringLiteral("常に最新の位置へスクロールする"), logGroup);
    m_scroll->setChecked(entry.scroll);
    logLayout->addWidget(m_scroll);
    layout->addWidget(logGroup);
    layout->addStretch();
}

void COptionListPage::Fill(OptionsEntry& entry) const {
    for (const BitBox& node : m_nodeBoxes) {
        entry.map = node.box->isChecked() ? entry.map | node.bit : entry.map & ~node.bit;
    }
    for (const BitBox& event : m_eventBoxes) {
        entry.elist = event.box->isChecked() ? entry.elist | event.bit : entry.elist & ~event.bit;
    }
    entry.numbers[EVENT_ROWS_KEY] = m_rows->text().toStdString();
    entry.scroll = m_scroll->isChecked();
}

QCheckBox* COptionListPage::NodeListBox(int mapBit) const {
    return FindBox(m_nodeBoxes, mapBit);
}

QCheckBox* COptionListPage::EventListBox(int elistBit) const {
    return FindBox(m_eventBoxes, elistBit);
}

}  // namespace halvera
