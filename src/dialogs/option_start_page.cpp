#include "dialogs/option_start_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QRadioButton>
#include <QVBoxLayout>

#include "lists/node_list_sort.h"

namespace halvera {
namespace {

struct SortKeyText {
    int sortKey;
    const char* text;
};

// In the page's order; the SORT value each stores.
constexpr SortKeyText SORT_KEYS[] = {
    {SORT_BY_IP, "IPアドレス"},
    {SORT_BY_MAC, "MACアドレス"},
    {SORT_BY_LABEL, "ラベル"},
    {SORT_BY_HOST, "ホスト名"},
    {SORT_BY_DOMAIN, "ワークグループ or ドメイン"},
};

}  // namespace

COptionStartPage::COptionStartPage(const OptionsEntry& entry, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);

    auto* sortGroup = new QGroupBox(QStringLiteral("ソート"), this);
    auto* sortLayout = new QVBoxLayout(sortGroup);
    m_sort = new QCheckBox(QStringLiteral("起動時、ノードマップをソートして表示する"), sortGroup);
    sortLayout->addWidget(m_sort);
    m_sortKeys = new QButtonGroup(this);
    for (const SortKeyText& key : SORT_KEYS) {
        auto* button = new QRadioButton(QString::fromUtf8(key.text), sortGroup);
        m_sortKeys->addButton(button, key.sortKey);
        sortLayout->addWidget(button);
    }
    // Any other stored value sorts by address, so that button shows it.
    m_sortKeys->button(IsNodeSortKey(entry.sort) ? entry.sort : SORT_BY_IP)->setChecked(true);
    m_sort->setChecked(entry.sortAtStart);
    EnableSortKeys(entry.sortAtStart);
    connect(m_sort, &QCheckBox::toggled, this, &COptionStartPage::EnableSortKeys);
    layout->addWidget(sortGroup);

    auto* pollGroup = new QGroupBox(QStringLiteral("ポーリング"), this);
    auto* pollLayout = new QVBoxLayout(pollGroup);
    m_poll =
        new QCheckBox(QStringLiteral("起動時、管理ノードの最新ステータスを取得する"), pollGroup);
    m_poll->setChecked(entry.pollAtStart);
    pollLayout->addWidget(m_poll);
    layout->addWidget(pollGroup);
    layout->addStretch();
}

void COptionStartPage::Fill(OptionsEntry& entry) const {
    entry.sortAtStart = m_sort->isChecked();
    entry.sort = m_sortKeys->checkedId();
    entry.pollAtStart = m_poll->isChecked();
}

QRadioButton* COptionStartPage::SortKeyButton(int sortKey) const {
    return qobject_cast<QRadioButton*>(m_sortKeys->button(sortKey));
}

void COptionStartPage::keyPressEvent(QKeyEvent* event) {
    // Taken here, the keys never reach the dialog, which would close on them.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void COptionStartPage::EnableSortKeys(bool enabled) {
    for (QAbstractButton* button : m_sortKeys->buttons()) {
        button->setEnabled(enabled);
    }
}

}  // namespace halvera
