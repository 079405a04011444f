#include "dialogs/action_range_dlg.h"

#include <QPushButton>

#include "store/search_settings_check.h"
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
    const std::string refusal =
        CheckSearchRangeText(m_ui->start->text().toStdString(), m_ui->end->text().toStdString(),
                             m_range.start, m_range.end);
    if (!refusal.empty()) {
        ShowStop(m_prompt, refusal);
        return;
    }
    QDialog::accept();
}

}  // namespace halvera
