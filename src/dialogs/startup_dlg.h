#pragma once

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

#include "monitor/engine.h"

namespace Ui {
class CStartupDlg;
}

namespace halvera {

class ProgressBarAdapter;

// The splash: while it shows, a loader thread has the engine fill the node list, the event
// log and the error log from their files and the progress bar follows. It stays for at least
// three ticks and as long as loading takes, then shows the main window, ends the engine's
// start-up and closes.
class CStartupDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int TICKS_SHOWN = 3;

    // mainWindow: the window shown once start-up is done.
    CStartupDlg(Engine& engine, QWidget& mainWindow, int tickMs = 1000, QWidget* parent = nullptr);
    ~CStartupDlg() override;

    bool IsLoading() const { return m_loading.load(); }

  protected:
    void showEvent(QShowEvent* event) override;
    // The splash ends by itself; Escape does not end it.
    void reject() override {}

  private:
    void Load();
    void OnTick();
    void Finish();

    std::unique_ptr<Ui::CStartupDlg> m_ui;
    std::unique_ptr<ProgressBarAdapter> m_progress;
    Engine& m_engine;
    QWidget& m_mainWindow;
    QTimer m_timer;
    int m_tickMs;
    int m_ticks = 0;
    std::atomic<bool> m_loading{false};
    std::thread m_loader;
};

}  // namespace halvera
