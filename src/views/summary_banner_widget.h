#pragma once

#include <QImage>
#include <QWidget>

#include "lists/summary_banner.h"

namespace halvera {

// The banner strip of the lower pane: the background picture stretched over it and the
// banner text on top, line by line, each line cut with an ellipsis where it does not fit.
// Without a picture it shows neither picture nor text.
class SummaryBannerWidget : public QWidget {
    Q_OBJECT

  public:
    static constexpr int HEIGHT = 40;

    SummaryBannerWidget(SummaryBanner& banner, QImage picture, QWidget* parent = nullptr);
    ~SummaryBannerWidget() override;

    bool HasPicture() const { return !m_picture.isNull(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    SummaryBanner& m_banner;
    QImage m_picture;
    int m_listener = 0;
};

}  // namespace halvera
