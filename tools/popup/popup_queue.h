#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

namespace halvera {

// Paces the messages on their way to the screen. One in a quiet moment goes on at once;
// those that come while the last ones are still fresh wait for the next turn, every
// PACE_MS, and at most QUEUE_MAX wait: beyond that the oldest is dropped (a critical one
// only when all waiting are critical), and the next message that goes on says first how many
// were.
// So a flood costs at most QUEUE_MAX windows or notifications a turn and bounded memory.
class PopupQueue : public QObject {
    Q_OBJECT

  public:
    // As many as the popup windows: more would only replace each other at once.
    static constexpr int QUEUE_MAX = 8;
    static constexpr int PACE_MS = 100;

    explicit PopupQueue(int paceMs = PACE_MS, QObject* parent = nullptr);

    // Messages dropped since the start.
    long long Dropped() const { return m_dropped; }

  public slots:
    void Add(const QString& text, bool critical);

  signals:
    void Ready(const QString& text, bool critical);

  private:
    struct Waiting {
        QString text;
        bool critical;
    };

    void Turn();
    void Pass(const Waiting& message);

    QTimer m_pace;
    QList<Waiting> m_waiting;  // oldest first
    long long m_dropped = 0;
    long long m_untold = 0;  // dropped since the last message that went on
};

}  // namespace halvera
