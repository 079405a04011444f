#include "dialogs/option_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "dialogs/option_list_page.h"
#include "dialogs/option_start_page.h"

namespace halvera {

COptionDlg::COptionDlg(Engine& engine, Prompt& prompt, ColumnMasksShow showColumns,
                       DesktopPlaces places, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_prompt(prompt), m_showColumns(std::move(showColumns)) {
    setWindowTitle(QStringLiteral("Halvera: Option"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("オプション設定"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    const OptionsEntry entry = OptionsEntryOf(engine.Settings().App());
    m_tabs = new QTabWidget(this);
    m_listPage = new COptionListPage(entry, m_tabs);
    m_startPage = new COptionStartPage(entry, m_tabs);
    m_registerPage = new COptionRegisterPage(prompt, std::move(places), m_tabs);
    m_tabs->addTab(m_listPage, QStringLiteral("リスト"));
    m_tabs->addTab(m_startPage, QStringLiteral("起動"));
    m_tabs->addTab(m_registerPage, QStringLiteral("登録"));
    layout->addWidget(m_tabs);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionDlg::reject);
    layout->addWidget(buttons);
}

void COptionDlg::accept() {
    OptionsEntry entry = OptionsEntryOf(m_engine.Settings().App());
    m_listPage->Fill(entry);
    m_startPage->Fill(entry);
    // The columns change before the row count is checked, and stay changed when it is
    // refused: the lists show what the settings now hold.
    m_showColumns(entry.map, entry.elist);
    const CommandResult change = m_engine.ApplyOptions(entry);
    if (!change.Done()) {
        ShowStop(m_prompt, change.message);
        m_tabs->setCurrentWidget(m_listPage);
        return;
    }
    QDialog::accept();
}

}  // namespace halvera
