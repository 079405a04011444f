#pragma once

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

namespace Ui {
class CExitWaitDlg;
}

namespace halvera {

// Shown when the program is asked to close while a search runs or a data file is busy. It
// checks once per tick and reports when everything is idle; the main frame then closes.
class CExitWaitDlg : public QDialog {
    Q_OBJECT

  public:
    CExitWaitDlg(std::function<bool()> isIdle, int tickMs, QWidget* parent = nullptr);
    ~CExitWaitDlg() override;

    // Checks again on each tick: something became busy again between the last idle check
    // and the close it led to.
    void Resume();

  signals:
    void AllIdle();

  protected:
    // The wait cannot be cancelled.
    void reject() override {}

  private:
    void OnTick();

    std::unique_ptr<Ui::CExitWaitDlg> m_ui;
    std::function<bool()> m_isIdle;
    QTimer m_timer;
};

}  // namespace halvera
