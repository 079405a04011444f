#pragma once

#include <QDialog>

#include <memory>
#include <thread>
#include <vector>

#include "monitor/engine.h"
#include "store/log_store.h"

namespace Ui {
class CLogDeleteDlg;
}

namespace halvera {

class ProgressBarAdapter;

// Deletes the selected rows of a log: a worker has the engine rewrite the log file without
// them while the progress bar runs (0 .. twice the number of entries) and remove the rows
// from the list, then the dialog closes itself. A log that could not be rewritten keeps its
// rows (the store has said why).
class CLogDeleteDlg : public QDialog {
    Q_OBJECT

  public:
    CLogDeleteDlg(Engine& engine, LogKind log, std::vector<int> rows, QWidget* parent = nullptr);
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
    Engine& m_engine;
    LogKind m_log;
    std::vector<int> m_rows;
    std::thread m_worker;
    bool m_done = false;
};

}  // namespace halvera
