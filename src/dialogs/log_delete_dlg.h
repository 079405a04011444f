#pragma once

#include <QDialog>

#include <memory>
#include <thread>
#include <vector>

#include "lists/list_table.h"
#include "lists/log_row_deleter.h"

namespace Ui {
class CLogDeleteDlg;
}

namespace halvera {

class ProgressBarAdapter;

// Deletes the selected rows of a log: a worker rewrites the log file without them while the
// progress bar runs (0 .. twice the number of entries), then removes the rows from the list
// and the dialog closes itself.
class CLogDeleteDlg : public QDialog {
    Q_OBJECT

  public:
    enum Log { EVENT_LOG, ERROR_LOG };

    CLogDeleteDlg(LogRowDeleter& deleter, ListTable& list, std::vector<int> rows, Log log,
                  QWidget* parent = nullptr);
    ~CLogDeleteDlg() override;

  protected:
    void showEvent(QShowEvent* event) override;
    // Closing is the worker's call; Escape and the close button do nothing meanwhile.
    void reject() override;

  private slots:
    void OnWorkDone();

  private:
    void Work();

    std::unique_ptr<Ui::CLogDeleteDlg> m_ui;
    std::unique_ptr<ProgressBarAdapter> m_progress;
    LogRowDeleter& m_deleter;
    ListTable& m_list;
    std::vector<int> m_rows;
    std::thread m_worker;
    bool m_done = false;
};

}  // namespace halvera
