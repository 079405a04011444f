#include "dialogs/startup_dlg.h"

#include <QPixmap>

#include "ui_startup_dlg.h"
#include "views/progress_bar_adapter.h"

namespace halvera {

namespace {

// While loading outlasts the ticks, the splash looks again this often; the GUI thread keeps
// serving the loader (its rows, its message boxes) meanwhile.
constexpr int LOADING_POLL_MS = 100;

}  // namespace

CStartupDlg::CStartupDlg(Engine& engine, QWidget& mainWindow, int tickMs, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_ui(std::make_unique<Ui::CStartupDlg>()),
      m_engine(engine),
      m_mainWindow(mainWindow),
      m_tickMs(tickMs) {
    m_ui->setupUi(this);
    m_ui->icon->setPixmap(QPixmap(QStringLiteral(":/images/halvera.png")));
    setStyleSheet(QStringLiteral("CStartupDlg { border: 1px solid palette(dark); }"));
    m_progress = std::make_unique<ProgressBarAdapter>(m_ui->progress);
    connect(&m_timer, &QTimer::timeout, this, &CStartupDlg::OnTick);
}

CStartupDlg::~CStartupDlg() {
    if (m_loader.joinable()) {
        m_loader.join();
    }
}

void CStartupDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_loader.joinable()) {
        return;
    }
    m_ticks = 0;
    m_timer.start(m_tickMs);
    raise();
    m_loading.store(true);
    m_loader = std::thread([this] { Load(); });
}

void CStartupDlg::Load() {
    m_engine.LoadLists(StartupLists::All, m_progress.get());
    m_loading.store(false);
}

void CStartupDlg::OnTick() {
    if (++m_ticks < TICKS_SHOWN) {
        return;
    }
    if (m_loading.load()) {
        m_timer.start(LOADING_POLL_MS);
        return;
    }
    Finish();
}

void CStartupDlg::Finish() {
    m_timer.stop();
    m_mainWindow.showNormal();
    m_mainWindow.repaint();
    m_engine.FinishStartup();
    QDialog::accept();
}

}  // namespace halvera
