#include "app/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>

#include <algorithm>

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/frame_menus.h"
#include "app/list_commands.h"
#include "app/tray_status.h"
#include "base/desktop_entry.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "capture/capture_adapter.h"
#include "dialogs/color_dlg.h"
#include "dialogs/exit_wait_dlg.h"
#include "dialogs/option_dlg.h"
#include "views/left_view.h"
#include "views/list_colours.h"
#include "views/qt_text.h"
#include "views/veskar_view.h"

namespace halvera {

namespace {

// The status bar shows the polling line when STBAR has this bit.
constexpr int STBAR_POLLING_LINE = 0x2;
// How often the waiting dialog at close looks whether the stopped run has ended.
constexpr int EXIT_WAIT_LOOK_MS = 100;

QString ProductText() {
    return QString::fromUtf8(PROMPT_CAPTION.data(), PROMPT_CAPTION.size());
}

}  // namespace

CMainFrame::CMainFrame(AppServices& services, int tickMs, QWidget* parent)
    : QMainWindow(parent), m_services(services), m_tickMs(tickMs) {
    setWindowTitle(ProductText());
    setWindowIcon(QIcon(QStringLiteral(":/images/halvera.png")));
    resize(1024, 700);

    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setChildrenCollapsible(false);
    m_upper = new CVeskarView(services.engine.Tables(), m_splitter);
    m_lower = new CLeftView(services.engine.Tables().eventList, services.engine.Banner(),
                            services.prompt, m_splitter);
    m_splitter->addWidget(m_upper);
    m_splitter->addWidget(m_lower);
    setCentralWidget(m_splitter);

    m_actions = new CommandActions(this, [this] { return State(); });
    connect(m_actions, &CommandActions::Triggered, this, &CMainFrame::OnCommand);
    BuildMenuBar(menuBar(), *m_actions);
    m_toolBar = BuildToolBar(*m_actions, this);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    connect(m_toolBar, &QToolBar::visibilityChanged, m_actions->Action(ID_VIEW_TOOLBAR),
            &QAction::setChecked);
    m_nodeListPopup = BuildNodeListPopup(*m_actions, this);
    connect(m_upper, &CVeskarView::NodeListPopupRequested, this,
            [this](const QPoint& globalPos) { m_nodeListPopup->popup(globalPos); });
    connect(m_upper, &CVeskarView::CurrentTabChanged, m_actions, &CommandActions::UpdateEnabled);

    CreateStatusBar();
    CreateTray();
    m_listCommands = std::make_unique<ListCommands>(services, *m_upper, *m_lower, this,
                                                    [this] { ShowInterfaceLine(); });

    ApplySettingsToViews();
    m_actions->UpdateEnabled();
    connect(&m_timer, &QTimer::timeout, this, &CMainFrame::OnTimer);
    m_timer.start(m_tickMs);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::CreateStatusBar() {
    m_interfaceLine = new QLabel(this);
    m_pollingLine = new QLabel(this);
    m_pollingLine->setFixedWidth(POLLING_PART_WIDTH);
    statusBar()->addWidget(m_interfaceLine, 1);
    statusBar()->addPermanentWidget(m_pollingLine);
}

void CMainFrame::CreateTray() {
    // Made whether or not a tray is there yet: when a panel starts after the program, the
    // icon appears in it then.
    m_tray = new QSystemTrayIcon(this);
    new TrayStatus(*m_tray, m_services.engine.Banner(), ProductText(), this);
    m_tray->setContextMenu(BuildTrayMenu(*m_actions, this));
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) {
                    ShowNormalFromTray();
                }
            });
    m_tray->show();
}

void CMainFrame::ApplySettingsToViews() {
    const AppSettings settings = m_services.engine.Settings().App();
    m_upper->ApplyNodeColumnMask(settings.MAP);
    m_lower->ApplyEventColumnMask(settings.ELIST);
    ApplyListColours();
}

void CMainFrame::ApplyListColours() {
    const ListColours colours = ListColoursFromSettings(m_services.engine.Settings().App());
    m_upper->ApplyColours(colours);
    m_lower->ApplyColours(colours);
}

void CMainFrame::ShowColours() {
    CColorDlg dialog(m_services.engine, this);
    if (dialog.exec() == QDialog::Accepted) {
        ApplyListColours();
    }
}

void CMainFrame::ShowOptions() {
    COptionDlg dialog(
        m_services.engine, m_services.prompt,
        [this](int map, int elist) {
            m_upper->ApplyNodeColumnMask(map);
            m_lower->ApplyEventColumnMask(elist);
        },
        DesktopPlaces::OfThisProgram(), this);
    dialog.exec();
}

QString CMainFrame::InterfaceLine() const {
    return m_interfaceLine->text();
}

QString CMainFrame::PollingLine() const {
    return m_pollingLine->text();
}

CommandState CMainFrame::State() const {
    CommandState state;
    state.currentTab = m_upper->CurrentTab();
    state.runActive = m_services.engine.Runner().IsRunActive();
    state.nodeRows = m_services.engine.Tables().nodeList.RowCount();
    return state;
}

void CMainFrame::PostCommand(int id) {
    QMetaObject::invokeMethod(this, "RunPostedCommand", Qt::QueuedConnection, Q_ARG(int, id));
}

void CMainFrame::RunPostedCommand(int id) {
    m_actions->Trigger(id);
}

void CMainFrame::BringToFront() {
    // While the splash or a message box is up, that window is the one to show.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
        return;
    }
    // A minimised window comes back as it was before, maximised or not.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void CMainFrame::OnTimer() {
    m_actions->UpdateEnabled();
    // Once closing has begun no polled run may start, or the wait could go on for ever.
    if (m_closing) {
        return;
    }
    const std::string line = m_services.engine.Runner().Tick();
    if (!line.empty() && (m_services.engine.Settings().App().STBAR & STBAR_POLLING_LINE) != 0) {
        m_pollingLine->setText(FromCp932(line));
    }
}

void CMainFrame::OnCommand(int id) {
    switch (id) {
        case ID_FILE_TO_TRAY:
            HideToTray();
            break;
        case ID_APP_EXIT:
            close();
            break;
        case ID_TRAY_SHOW:
            ShowNormalFromTray();
            break;
        case ID_VIEW_TOOLBAR:
            m_toolBar->setVisible(m_actions->Action(ID_VIEW_TOOLBAR)->isChecked());
            break;
        case ID_VIEW_STATUS_BAR:
            statusBar()->setVisible(m_actions->Action(ID_VIEW_STATUS_BAR)->isChecked());
            break;
        case ID_APP_ABOUT:
            ShowAbout();
            break;
        case ID_VIEW_COLOURS:
            ShowColours();
            break;
        case ID_OPTIONS:
            ShowOptions();
            break;
        case ID_HELP:
            ShowHelp();
            break;
        default:
            m_listCommands->Run(id);
            break;
    }
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!m_firstSizeDone) {
        m_firstSizeDone = true;
        OnFirstSize();
    }
}

void CMainFrame::OnFirstSize() {
    const AppSettings settings = m_services.engine.Settings().App();
    const int height = m_splitter->height();
    const int upper =
        settings.MAPX == 0 ? static_cast<int>(height * FIRST_UPPER_SHARE) : settings.MAPY;
    m_splitter->setSizes({upper, std::max(height - upper - m_splitter->handleWidth(), 1)});
    m_services.engine.Banner().SetSummaryText();
    ShowInterfaceLine();
}

void CMainFrame::ShowInterfaceLine() {
    m_interfaceLine->setText(
        FromCp932(NetworkInterfaceText(m_services.engine.Settings().App().ADPNAME)));
}

void CMainFrame::HideToTray() {
    // Without a tray (plain X servers, offscreen) the window is minimised instead: hidden,
    // nothing could bring it back.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        hide();
    } else {
        showMinimized();
    }
}

void CMainFrame::ShowNormalFromTray() {
    showNormal();
    raise();
    activateWindow();
}

void CMainFrame::ShowAbout() {
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("Halvera: About"));
    box.setIconPixmap(windowIcon().pixmap(48, 48));
    box.setText(ProductText());
    box.exec();
}

// The help document installed in the program folder opens in the desktop's browser.
void CMainFrame::ShowHelp() {
    if (!m_services.engine.OpenHelp()) {
        m_services.prompt.ShowMessage(
            Sjis("ヘルプファイルが見つかりません。\r\n") +
                Utf8ToCp932Lossy((ProgramFolder() / HELP_DOCUMENT_NAME).string()),
            PromptIcon::Information, PromptButtons::Ok);
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_closed) {
        event->accept();
        return;
    }
    if (!m_services.engine.IsIdleForShutdown()) {
        // A run in a long window would hold the close for minutes; cut it short instead.
        m_services.engine.Runner().StopForClose();
        ShowExitWait();
        // What was busy may have ended while the box came up: then there is nothing to wait
        // for.
        if (!m_services.engine.IsIdleForShutdown()) {
            event->ignore();
            return;
        }
        m_exitWait->close();
    }
    RunShutdownSteps();
    event->accept();
    emit FrameClosed();
}

void CMainFrame::ShowExitWait() {
    m_closing = true;
    if (m_exitWait) {
        m_exitWait->Resume();
        m_exitWait->raise();
        return;
    }
    // A stopped run ends within a fraction of a second; a look once a second would add up
    // to a second to the close.
    m_exitWait = new CExitWaitDlg([this] { return m_services.engine.IsIdleForShutdown(); },
                                  std::min(m_tickMs, EXIT_WAIT_LOOK_MS), this);
    connect(m_exitWait, &CExitWaitDlg::AllIdle, this, &QWidget::close);
    m_exitWait->show();
}

void CMainFrame::RunShutdownSteps() {
    AppSettings settings = m_services.engine.Settings().App();
    const QSize tabArea = m_upper->TabAreaSize();
    settings.MAPX = tabArea.width();
    settings.MAPY = tabArea.height();
    m_services.engine.Settings().SetApp(settings);
    m_services.engine.SaveSettings();
    m_timer.stop();
    // The frame closes only once no run is active: the close stopped it and waited.
    m_services.engine.Close();
    if (m_services.afterClose) {
        m_services.afterClose();
    }
    if (m_tray != nullptr) {
        m_tray->hide();
    }
    if (m_exitWait) {
        m_exitWait->hide();
        m_exitWait->deleteLater();
    }
    m_closed = true;
}

}  // namespace halvera
