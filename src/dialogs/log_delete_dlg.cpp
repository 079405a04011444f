#include "dialogs/log_delete_dlg.h"

#include <utility>

#include "app/progress_bar_adapter.h"
#include "ui_log_delete_dlg.h"

namespace halvera {

CLogDeleteDlg::CLogDeleteDlg(LogRowDeleter& deleter, ListTable& list, std::vector<int> rows,
                             Log log, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CLogDeleteDlg>()),
      m_deleter(deleter),
      m_list(list),
      m_rows(std::move(rows)) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera"));
    m_ui->message->setText(
        log == EVENT_LOG
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
    m_progress->SetRange(0, 2 * m_deleter.CountEntries());
    m_progress->SetPosition(0);
    m_deleter.DeleteRows(m_rows, *m_progress);
    m_list.RemoveRows(m_rows);
    QMetaObject::invokeMethod(this, "OnWorkDone", Qt::QueuedConnection);
}

void CLogDeleteDlg::OnWorkDone() {
    m_done = true;
    QDialog::reject();
}

}  // namespace halvera
