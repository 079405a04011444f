#include "dialogs/list_search_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <utility>

#include "lists/list_search.h"
#include "views/qt_text.h"

namespace halvera {

ListSearchDlg::ListSearchDlg(Prompt& prompt, ListControl& list, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_list(list) {}

void ListSearchDlg::Attach(QLineEdit* text, std::vector<SearchColumnButton> columns,
                           QCheckBox* caseSensitive, QCheckBox* wholeText,
                           QDialogButtonBox* buttons) {
    m_text = text;
    m_columns = std::move(columns);
    m_caseSensitive = caseSensitive;
    m_wholeText = wholeText;
    m_columns.front().button->setChecked(true);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("検索"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ListSearchDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ListSearchDlg::reject);
}

QRadioButton* ListSearchDlg::ColumnButton(int column) const {
    for (const SearchColumnButton& choice : m_columns) {
        if (choice.column == column) {
            return choice.button;
        }
    }
    return nullptr;
}

int ListSearchDlg::Column() const {
    for (const SearchColumnButton& choice : m_columns) {
        if (choice.button->isChecked()) {
            return choice.column;
        }
    }
    return m_columns.front().column;
}

void ListSearchDlg::accept() {
    ListSearch search;
    search.text = ToCp932(m_text->text());
    const std::string refusal = CheckListSearchText(search.text);
    if (!refusal.empty()) {
        ShowStop(m_prompt, refusal);
        return;
    }
    search.column = Column();
    search.caseSensitive = m_caseSensitive->isChecked();
    search.wholeText = m_wholeText->isChecked();
    // The view's row numbers must be the table's before a table row is selected in it.
    m_list.Model()->ApplyPendingChanges();
    m_list.SelectOnlyRow(FindListRow(m_list.Model()->Table(), search));
    QDialog::accept();
}

}  // namespace halvera
