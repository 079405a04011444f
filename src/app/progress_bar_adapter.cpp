#include "app/progress_bar_adapter.h"

namespace halvera {

ProgressBarAdapter::ProgressBarAdapter(QProgressBar* bar) : m_bar(bar) {}

void ProgressBarAdapter::SetRange(int low, int high) {
    QProgressBar* bar = m_bar;
    QMetaObject::invokeMethod(
        bar, [bar, low, high] { bar->setRange(low, high); }, Qt::QueuedConnection);
}

void ProgressBarAdapter::SetPosition(int position) {
    m_position.store(position);
    if (m_updatePending.exchange(true)) {
        return;
    }
    QProgressBar* bar = m_bar;
    QMetaObject::invokeMethod(
        bar,
        [this, bar] {
            m_updatePending.store(false);
            bar->setValue(m_position.load());
        },
        Qt::QueuedConnection);
}

int ProgressBarAdapter::Position() const {
    return m_position.load();
}

}  // namespace halvera
