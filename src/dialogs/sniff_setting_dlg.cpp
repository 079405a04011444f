#include "dialogs/sniff_setting_dlg.h"

#include <QPushButton>

#include "store/sniff_criterion.h"
#include "ui_sniff_setting_dlg.h"

namespace halvera {
namespace {

// The bits of the boxes returned by TestBox, in its order.
constexpr std::int32_t TEST_BITS[] = {PROMISS_B47, PROMISS_B16, PROMISS_B8, PROMISS_GR};
constexpr int TEST_COUNT = 4;

}  // namespace

CSniffSettingDlg::CSniffSettingDlg(Engine& engine, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSniffSettingDlg>()), m_engine(engine) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera: Event Setting"));
    m_ui->buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));

    const std::int32_t promiss = m_engine.Settings().App().PROMISS;
    const bool anyTest = (promiss & PROMISS_ANY) != 0;
    (anyTest ? m_ui->anyTest : m_ui->selectedTests)->setChecked(true);
    for (int i = 0; i < TEST_COUNT; ++i) {
        TestBox(i)->setChecked((promiss & TEST_BITS[i]) != 0);
    }
    EnableTests(!anyTest);

    connect(m_ui->selectedTests, &QRadioButton::toggled, this, &CSniffSettingDlg::EnableTests);
    connect(m_ui->buttons, &QDialogButtonBox::accepted, this, &CSniffSettingDlg::accept);
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, &CSniffSettingDlg::reject);
}

CSniffSettingDlg::~CSniffSettingDlg() = default;

QRadioButton* CSniffSettingDlg::AnyTestButton() const {
    return m_ui->anyTest;
}

QRadioButton* CSniffSettingDlg::SelectedTestsButton() const {
    return m_ui->selectedTests;
}

QCheckBox* CSniffSettingDlg::TestBox(int index) const {
    QCheckBox* const boxes[TEST_COUNT] = {m_ui->b47, m_ui->b16, m_ui->b8, m_ui->gr};
    return boxes[index];
}

void CSniffSettingDlg::EnableTests(bool selected) {
    m_ui->b47->setEnabled(selected);
    m_ui->b16->setEnabled(selected);
    m_ui->b8->setEnabled(selected);
    // Gr stays disabled: no probe sends it, so a node could never answer it, and ticking it
    // would silently end all sniffing detection. A stored bit is kept as it is.
}

void CSniffSettingDlg::accept() {
    std::int32_t tests = 0;
    for (int i = 0; i < TEST_COUNT; ++i) {
        if (TestBox(i)->isChecked()) {
            tests |= TEST_BITS[i];
        }
    }
    m_engine.SetSniffCriterion(
        SniffCriterionAfter(m_engine.Settings().App().PROMISS, m_ui->anyTest->isChecked(), tests));
    QDialog::accept();
}

}  // namespace halvera
