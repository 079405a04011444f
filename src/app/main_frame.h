#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>

#include "app/app_services.h"
#include "app/command_rules.h"
#include "dialogs/exit_wait_dlg.h"

class QLabel;
class QMenu;
class QSplitter;
class QSystemTrayIcon;
class QToolBar;

namespace halvera {

class CLeftView;
class CVeskarView;
class CommandActions;
class ListCommands;

// The program's only top-level window: the splitter with the upper pane (tabbed lists) and
// the lower pane (banner and event list), the tool bar, the two-part status bar and the tray
// icon. It routes every command, runs the one-second timer and carries the ordered shutdown.
class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    // The upper pane takes this share of the height on the first start.
    static constexpr double FIRST_UPPER_SHARE = 0.6;
    // Width of the status bar's polling part.
    static constexpr int POLLING_PART_WIDTH = 350;

    // tickMs: the period of the frame's timer and of the waiting dialog at close.
    explicit CMainFrame(AppServices& services, int tickMs = 1000, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CVeskarView* UpperView() const { return m_upper; }
    CLeftView* LowerView() const { return m_lower; }
    QSplitter* Splitter() const { return m_splitter; }
    CommandActions& Actions() const { return *m_actions; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QMenu* NodeListPopup() const { return m_nodeListPopup; }
    QString InterfaceLine() const;
    QString PollingLine() const;
    CExitWaitDlg* ExitWaitDialog() const { return m_exitWait; }

    CommandState State() const;

    // Runs a command later on the GUI thread; any thread may call it.
    void PostCommand(int id);

  public slots:
    // A later start of the program asked for the window.
    void BringToFront();
    // The one-second tick: the enable rules, then the polling countdowns.
    void OnTimer();

  signals:
    // The shutdown steps have run; the program may end.
    void FrameClosed();

  private slots:
    void RunPostedCommand(int id);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void CreateStatusBar();
    void CreateTray();
    void OnCommand(int id);
    void OnFirstSize();
    void ApplySettingsToViews();
    // The five lists take the colours of the settings.
    void ApplyListColours();
    void ShowColours();
    void ShowOptions();
    // Pane 0 of the status bar from ADPNAME.
    void ShowInterfaceLine();
    void HideToTray();
    void ShowNormalFromTray();
    void ShowAbout();
    void ShowHelp();
    void ShowExitWait();
    void RunShutdownSteps();

    AppServices& m_services;
    int m_tickMs;
    QSplitter* m_splitter;
    CVeskarView* m_upper;
    CLeftView* m_lower;
    CommandActions* m_actions;
    QToolBar* m_toolBar;
    QMenu* m_nodeListPopup;
    QLabel* m_interfaceLine;
    QLabel* m_pollingLine;
    QSystemTrayIcon* m_tray = nullptr;
    QPointer<CExitWaitDlg> m_exitWait;
    std::unique_ptr<ListCommands> m_listCommands;
    QTimer m_timer;
    bool m_firstSizeDone = false;
    bool m_closing = false;
    bool m_closed = false;
};

}  // namespace halvera
