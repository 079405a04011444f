#include "dialogs/log_delete_dlg.h"

#include <utility>

#include "ui_log_delete_dlg.h"
#include "views/progress_bar_adapter.h"

namespace halvera {

CLogDeleteDlg::CLogDeleteDlg(Engine& engine, LogKind log, std::vector<int> rows, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CLogDeleteDlg>()),
      m_engine(engine),
      m_log(log),
      m_rows(std::move(rows)) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera"));
    m_ui->message->setText(
        log == LogKind::Event
            ? QStringLiteral("イベントログ削除中です　・・・　しばらくお待ちください。")
            : QStringLiteral("エラーログ削除中です　・・・　しばらくお待ちください。"));
    m_progress = std::make_unique<ProgressBarAdapter>(m_ui->progress);
}

CLogDeleteDlg::~CLogDeleteDlg() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void CLogDeleteDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_worker.joinable()) {
        m_worker = std::thread([this] { Work(); });
    }
}

void CLogDeleteDlg::reject() {
    if (m_done) {
        QDialog::reject();
    }
}

void CLogDeleteDlg::Work() {
    m_progress->SetRange(0, 2 * m_engine.CountLogEntries(m_log));
    m_progress->SetPosition(0);
    m_engine.DeleteLogRows(m_log, m_rows, *m_progress);
    QMetaObject::invokeMethod(this, "OnWorkDone", Qt::QueuedConnection);
}

void CLogDeleteDlg::OnWorkDone() {
    m_done = true;
    QDialog::reject();
}

}  // namespace halvera
