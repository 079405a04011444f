#include "dialogs/node_list_search_dlg.h"

#include "lists/list_tables.h"
#include "ui_node_list_search_dlg.h"

namespace halvera {

CNodeListSearchDlg::CNodeListSearchDlg(Prompt& prompt, ListControl& nodeList, QWidget* parent)
    : ListSearchDlg(prompt, nodeList, parent), m_ui(std::make_unique<Ui::CNodeListSearchDlg>()) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera: Search NodeMap"));
    Attach(m_ui->text,
           {{m_ui->label, NODE_COL_LABEL},
            {m_ui->ip, NODE_COL_IP},
            {m_ui->host, NODE_COL_HOST},
            {m_ui->mac, NODE_COL_MAC}},
           m_ui->caseSensitive, m_ui->wholeText, m_ui->buttons);
}

CNodeListSearchDlg::~CNodeListSearchDlg() = default;

}  // namespace halvera
