#include "views/progress_bar_adapter.h"

namespace halvera {

ProgressBarAdapter::ProgressBarAdapter(QProgressBar* bar) : m_bar(bar) {}

void ProgressBarAdapter::SetRange(int low, int high) {
    m_low.store(low);
    m_high.store(high);
    RequestRefresh();
}

void ProgressBarAdapter::SetPosition(int position) {
    m_position.store(position);
    RequestRefresh();
}

int ProgressBarAdapter::Position() const {
    return m_position.load();
}

void ProgressBarAdapter::RequestRefresh() {
    if (!m_refreshPending.exchange(true)) {
        QMetaObject::invokeMethod(this, "Refresh", Qt::QueuedConnection);
    }
}

void ProgressBarAdapter::Refresh() {
    m_refreshPending.store(false);
    const int low = m_low.load();
    const int high = m_high.load();
    // A bar with an empty range (0 .. 0: nothing to load) would show Qt's busy animation;
    // it stays empty instead.
    if (high <= low) {
        m_bar->setRange(low, low + 1);
        m_bar->setValue(low);
        return;
    }
    m_bar->setRange(low, high);
    m_bar->setValue(m_position.load());
}

}  // namespace halvera
