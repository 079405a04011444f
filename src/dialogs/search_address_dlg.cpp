#include "dialogs/search_address_dlg.h"

#include <QPushButton>

#include "dialogs/range_edits.h"
#include "ui_search_address_dlg.h"
#include "views/qt_text.h"

namespace halvera {

CSearchAddressDlg::CSearchAddressDlg(Prompt& prompt, Ipv4 ownIp, Ipv4 mask, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CSearchAddressDlg>()),
      m_prompt(prompt),
      m_ownIp(ownIp),
      m_mask(mask) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera: Search Address"));
    m_ui->buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    OnLocalNetwork(false);
    connect(m_ui->localNetwork, &QCheckBox::toggled, this, &CSearchAddressDlg::OnLocalNetwork);
    connect(m_ui->buttons, &QDialogButtonBox::accepted, this, &CSearchAddressDlg::accept);
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, &CSearchAddressDlg::reject);
}

CSearchAddressDlg::~CSearchAddressDlg() = default;

QLineEdit* CSearchAddressDlg::StartEdit() const {
    return m_ui->start;
}

QLineEdit* CSearchAddressDlg::EndEdit() const {
    return m_ui->end;
}

QCheckBox* CSearchAddressDlg::LocalNetworkBox() const {
    return m_ui->localNetwork;
}

void CSearchAddressDlg::OnLocalNetwork(bool checked) {
    // Before the own adapter was read there is no subnet to fill in.
    const IpRange range = checked && m_ownIp != 0 ? LocalNetworkRange(m_ownIp, m_mask) : IpRange{};
    m_ui->start->setText(QString::fromStdString(FormatIp(range.start)));
    m_ui->end->setText(QString::fromStdString(FormatIp(range.end)));
}

void CSearchAddressDlg::accept() {
    if (ReadRangeEdits(m_prompt, *m_ui->start, *m_ui->end, m_range)) {
        QDialog::accept();
    }
}

}  // namespace halvera
