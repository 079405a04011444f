#pragma once

#include <QObject>
#include <QProgressBar>

#include <atomic>

#include "lists/progress.h"

namespace halvera {

// The Qt side of the Progress port: any thread sets the range and the position, the bar
// follows on the GUI thread. Changes made faster than the GUI paints are merged into one
// refresh, so a loader that steps once per row never floods the event queue. Create it on
// the GUI thread; the bar must outlive every thread that uses the adapter.
class ProgressBarAdapter : public QObject, public Progress {
    Q_OBJECT

  public:
    explicit ProgressBarAdapter(QProgressBar* bar);

    void SetRange(int low, int high) override;
    void SetPosition(int position) override;
    int Position() const override;

  private slots:
    void Refresh();

  private:
    void RequestRefresh();

    QProgressBar* const m_bar;
    std::atomic<int> m_low{0};
    std::atomic<int> m_high{0};
    std::atomic<int> m_position{0};
    std::atomic<bool> m_refreshPending{false};
};

}  // namespace halvera
