#include "dialogs/action_range_dlg.h"

#include <QPushButton>

#include "dialogs/range_edits.h"
#include "ui_action_range_dlg.h"

namespace halvera {

CActionRangeDlg::CActionRangeDlg(Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CActionRangeDlg>()), m_prompt(prompt) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera: Event action node"));
    m_ui->buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    connect(m_ui->buttons, &QDialogButtonBox::accepted, this, &CActionRangeDlg::accept);
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, &CActionRangeDlg::reject);
}

CActionRangeDlg::~CActionRangeDlg() = default;

QLineEdit* CActionRangeDlg::StartEdit() const {
    return m_ui->start;
}

QLineEdit* CActionRangeDlg::EndEdit() const {
    return m_ui->end;
}

void CActionRangeDlg::accept() {
    // An action node range follows the rule of the search ranges.
    if (ReadRangeEdits(m_prompt, *m_ui->start, *m_ui->end, m_range)) {
        QDialog::accept();
    }
}

}  // namespace halvera
