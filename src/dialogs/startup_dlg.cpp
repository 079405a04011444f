#include "dialogs/startup_dlg.h"

#include <QPixmap>

#include <vector>

#include "app/main_frame.h"
#include "app/progress_bar_adapter.h"
#include "lists/node_list_sort.h"
#include "ui_startup_dlg.h"

namespace halvera {

namespace {

// While loading outlasts the ticks, the splash looks again this often; the GUI thread keeps
// serving the loader (its rows, its message boxes) meanwhile.
constexpr int LOADING_POLL_MS = 100;

}  // namespace

CStartupDlg::CStartupDlg(AppServices& services, CMainFrame& frame, int tickMs, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_ui(std::make_unique<Ui::CStartupDlg>()),
      m_services(services),
      m_frame(frame),
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
    std::vector<int> counts;
    int total = 0;
    for (ListLoader* loader : m_services.loaders) {
        counts.push_back(loader->Count());
        total += counts.back();
    }
    m_progress->SetRange(0, total);
    m_progress->SetPosition(0);
    int first = 0;
    for (std::size_t i = 0; i < m_services.loaders.size(); ++i) {
        m_services.loaders[i]->Load(*m_progress, first);
        first += counts[i];
    }
    m_services.banner.SetSummaryText();
    const AppSettings settings = m_services.settings.App();
    if (settings.BSORT != 0 && IsNodeSortKey(settings.SORT)) {
        m_frame.PostSort(static_cast<NodeSortKey>(settings.SORT));
    }
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
    m_frame.showNormal();
    m_frame.repaint();
    if (m_services.settings.App().BPOLING != 0 && m_services.runs != nullptr) {
        m_services.runs->SetStatusCountdown(3);
    }
    QDialog::accept();
}

}  // namespace halvera
