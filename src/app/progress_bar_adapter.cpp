#include "app/progress_bar_adapter.h"

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
    m_bar->setRange(m_low.load(), m_high.load());
    m_bar->setValue(m_position.load());
}

}  // namespace halvera
