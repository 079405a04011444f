#include "dialogs/node_search_dlg.h"

#include <QPushButton>

#include "net/node_search_check.h"
#include "ui_node_search_dlg.h"
#include "views/qt_text.h"

namespace halvera {

CNodeSearchDlg::CNodeSearchDlg(Prompt& prompt, HostResolver& resolver, Ipv4 ownIp, Ipv4 mask,
                               QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CNodeSearchDlg>()),
      m_prompt(prompt),
      m_resolver(resolver),
      m_ownIp(ownIp),
      m_mask(mask) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera: Node Search"));
    m_ui->buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    connect(m_ui->buttons, &QDialogButtonBox::accepted, this, &CNodeSearchDlg::accept);
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, &CNodeSearchDlg::reject);
}

CNodeSearchDlg::~CNodeSearchDlg() = default;

QLineEdit* CNodeSearchDlg::NodeEdit() const {
    return m_ui->node;
}

void CNodeSearchDlg::accept() {
    m_address = 0;
    const NodeSearchCheck check =
        CheckNodeSearchText(ToCp932(m_ui->node->text()), m_resolver, m_ownIp, m_mask);
    if (check.outcome == NodeSearchCheck::SEARCH_OK) {
        m_address = check.address;
        QDialog::accept();
        return;
    }
    ShowStop(m_prompt, check.message);
    if (check.outcome == NodeSearchCheck::SEARCH_CANCEL) {
        reject();
    }
}

}  // namespace halvera
