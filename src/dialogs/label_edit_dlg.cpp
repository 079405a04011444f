#include "dialogs/label_edit_dlg.h"

#include <QKeyEvent>
#include <QPushButton>

#include <vector>

#include "lists/list_tables.h"
#include "store/node_label_check.h"
#include "ui_label_edit_dlg.h"
#include "views/qt_text.h"

namespace halvera {

CLabelEditDlg::CLabelEditDlg(Engine& engine, Prompt& prompt, ListControl& nodeList, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CLabelEditDlg>()),
      m_engine(engine),
      m_prompt(prompt),
      m_nodeList(nodeList) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera: Node label"));
    QPushButton* cancel = m_ui->buttons->button(QDialogButtonBox::Cancel);
    cancel->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    // Enter is OK wherever the focus is, even on Cancel.
    cancel->setAutoDefault(false);
    m_ui->buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(m_ui->buttons, &QDialogButtonBox::accepted, this, &CLabelEditDlg::accept);
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, &CLabelEditDlg::reject);
    const std::vector<int> rows = m_nodeList.SelectedRows();
    if (const auto node =
            rows.empty() ? std::nullopt : m_engine.Tables().nodeList.At(rows.front())) {
        m_ui->label->setText(FromCp932(node->label));
    }
}

CLabelEditDlg::~CLabelEditDlg() = default;

QLineEdit* CLabelEditDlg::LabelEdit() const {
    return m_ui->label;
}

void CLabelEditDlg::accept() {
    const NodeLabelText label = NodeLabelFromUtf8(m_ui->label->text().toStdString());
    if (!label.message.empty()) {
        ShowStop(m_prompt, label.message);
        return;
    }
    // The selection may have changed while the dialog was open: the label goes to the node
    // selected now.
    const std::vector<int> rows = m_nodeList.SelectedRows();
    const CommandResult change =
        m_engine.SetNodeLabel(rows.empty() ? -1 : rows.front(), label.cp932);
    if (change.outcome == CommandResult::REFUSED) {
        ShowStop(m_prompt, change.message);
        return;
    }
    QDialog::accept();
}

void CLabelEditDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace halvera
