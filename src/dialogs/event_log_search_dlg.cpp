#include "dialogs/event_log_search_dlg.h"

#include "lists/list_tables.h"
#include "ui_event_log_search_dlg.h"

namespace halvera {

CEventLogSearchDlg::CEventLogSearchDlg(Prompt& prompt, ListControl& eventLog, QWidget* parent)
    : ListSearchDlg(prompt, eventLog, parent), m_ui(std::make_unique<Ui::CEventLogSearchDlg>()) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera: Search Log"));
    Attach(m_ui->text,
           {{m_ui->dateTime, EVENTLOG_COL_DATETIME},
            {m_ui->ip, EVENTLOG_COL_IP},
            {m_ui->host, EVENTLOG_COL_HOST},
            {m_ui->info, EVENTLOG_COL_INFO}},
           m_ui->caseSensitive, m_ui->wholeText, m_ui->buttons);
}

CEventLogSearchDlg::~CEventLogSearchDlg() = default;

}  // namespace halvera
