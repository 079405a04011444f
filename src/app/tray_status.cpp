#include "app/tray_status.h"

#include <QSystemTrayIcon>

#include <utility>

#include "views/qt_text.h"

namespace halvera {

TrayStatus::TrayStatus(QSystemTrayIcon& tray, SummaryBanner& banner, QString title, QObject* parent)
    : QObject(parent),
      m_tray(tray),
      m_banner(banner),
      m_title(std::move(title)),
      m_normal(QStringLiteral(":/images/halvera.png")),
      m_sniffing(QStringLiteral(":/images/halvera_sniffing.png")) {
    m_tray.setIcon(m_normal);
    Update();
    // Any thread may change the banner; the tray changes on the GUI thread.
    m_listener = m_banner.Subscribe([this](std::string_view) {
        QMetaObject::invokeMethod(this, &TrayStatus::Update, Qt::QueuedConnection);
    });
}

TrayStatus::~TrayStatus() {
    m_banner.Unsubscribe(m_listener);
}

void TrayStatus::Update() {
    const NodeCounts counts = m_banner.Counts();
    const QString tip = m_title + QLatin1Char('\n') + FromCp932(NodeCountsLine(counts));
    // Only real changes: each progress line of a run comes here too.
    if (m_tray.toolTip() != tip) {
        m_tray.setToolTip(tip);
    }
    const bool sniffing = counts.sniffing > 0;
    if (sniffing != m_showsSniffing) {
        m_showsSniffing = sniffing;
        m_tray.setIcon(sniffing ? m_sniffing : m_normal);
    }
}

}  // namespace halvera
