#include "views/summary_banner_widget.h"

#include <QPainter>

#include <utility>

#include "views/gothic_font.h"
#include "views/qt_text.h"

namespace halvera {

namespace {

// The text starts this far below the top edge.
constexpr int TEXT_TOP = 3;

}  // namespace

SummaryBannerWidget::SummaryBannerWidget(SummaryBanner& banner, QImage picture, QWidget* parent)
    : QWidget(parent), m_banner(banner), m_picture(std::move(picture)) {
    setFixedHeight(HEIGHT);
    setFont(GothicFont());
    // Any thread may change the text; the repaint happens on the GUI thread.
    m_listener = m_banner.Subscribe([this](std::string_view) {
        QMetaObject::invokeMethod(this, "update", Qt::QueuedConnection);
    });
}

SummaryBannerWidget::~SummaryBannerWidget() {
    m_banner.Unsubscribe(m_listener);
}

void SummaryBannerWidget::paintEvent(QPaintEvent*) {
    if (m_picture.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(rect(), m_picture);
    painter.setFont(font());
    painter.setPen(Qt::black);
    const QFontMetrics metrics(font());
    const QStringList lines = FromCp932(m_banner.Text()).split(QStringLiteral("\r\n"));
    int y = TEXT_TOP;
    for (const QString& line : lines) {
        if (y >= height()) {
            break;
        }
        const QString shown = metrics.elidedText(line, Qt::ElideRight, width());
        painter.drawText(QRect(0, y, width(), metrics.height()), Qt::AlignLeft | Qt::AlignTop,
                         shown);
        y += metrics.height();
    }
}

}  // namespace halvera
