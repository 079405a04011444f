#pragma once

#include <QProgressBar>

#include <atomic>

#include "lists/progress.h"

namespace halvera {

// The Qt side of the Progress port: any thread sets the range and the position, the bar
// follows on the GUI thread. Positions set faster than the GUI paints are merged, so a
// loader that steps once per row never floods the event queue.
class ProgressBarAdapter : public Progress {
  public:
    // The bar must outlive every thread that uses the adapter.
    explicit ProgressBarAdapter(QProgressBar* bar);

    void SetRange(int low, int high) override;
    void SetPosition(int position) override;
    int Position() const override;

  private:
    QProgressBar* const m_bar;
    std::atomic<int> m_position{0};
    std::atomic<bool> m_updatePending{false};
};

}  // namespace halvera
