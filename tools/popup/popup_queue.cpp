#include "popup/popup_queue.h"

#include <algorithm>

namespace halvera {

PopupQueue::PopupQueue(int paceMs, QObject* parent) : QObject(parent) {
    m_pace.setSingleShot(true);
    m_pace.setInterval(paceMs);
    connect(&m_pace, &QTimer::timeout, this, &PopupQueue::Turn);
}

void PopupQueue::Add(const QString& text, bool critical) {
    if (!m_pace.isActive()) {
        Pass({text, critical});
        m_pace.start();
        return;
    }
    m_waiting.append({text, critical});
    if (m_waiting.size() > QUEUE_MAX) {
        auto normal = std::find_if(m_waiting.begin(), m_waiting.end(),
                                   [](const Waiting& waiting) { return !waiting.critical; });
        m_waiting.erase(normal != m_waiting.end() ? normal : m_waiting.begin());
        ++m_dropped;
        ++m_untold;
    }
}

void PopupQueue::Turn() {
    if (m_waiting.isEmpty()) {
        return;
    }
    const QList<Waiting> turn = std::exchange(m_waiting, {});
    for (const Waiting& message : turn) {
        Pass(message);
    }
    m_pace.start();
}

void PopupQueue::Pass(const Waiting& message) {
    if (m_untold == 0) {
        emit Ready(message.text, message.critical);
        return;
    }
    const QString note =
        QStringLiteral("（表示しきれなかった古いメッセージ %1 件を破棄しました）").arg(m_untold);
    m_untold = 0;
    // First, where a long message that its window cuts cannot hide it.
    emit Ready(note + u'\n' + message.text, message.critical);
}

}  // namespace halvera
