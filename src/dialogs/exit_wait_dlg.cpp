#include "dialogs/exit_wait_dlg.h"

#include <utility>

#include "ui_exit_wait_dlg.h"

namespace halvera {

CExitWaitDlg::CExitWaitDlg(std::function<bool()> isIdle, int tickMs, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CExitWaitDlg>()), m_isIdle(std::move(isIdle)) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera: Waiting"));
    connect(&m_timer, &QTimer::timeout, this, &CExitWaitDlg::OnTick);
    m_timer.start(tickMs);
}

CExitWaitDlg::~CExitWaitDlg() = default;

void CExitWaitDlg::Resume() {
    if (!m_timer.isActive()) {
        m_timer.start();
    }
}

void CExitWaitDlg::OnTick() {
    if (m_isIdle()) {
        m_timer.stop();
        emit AllIdle();
    }
}

}  // namespace halvera
