#include "popup/popup_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace halvera {
namespace {

constexpr int TEXT_WIDTH = 320;

}  // namespace

PopupWindow::PopupWindow(const QString& text, int lifetimeMs)
    : QFrame(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus),
      m_text(text) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setWindowTitle(QStringLiteral("Halvera"));

    auto* title = new QLabel(QStringLiteral("Halvera"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* body = new QLabel(this);
    body->setTextFormat(Qt::PlainText);
    body->setText(text);
    body->setWordWrap(true);
    body->setFixedWidth(TEXT_WIDTH);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(body);
    adjustSize();

    m_lifetime.setSingleShot(true);
    connect(&m_lifetime, &QTimer::timeout, this, &QWidget::close);
    m_lifetime.start(lifetimeMs);
}

void PopupWindow::mousePressEvent(QMouseEvent* event) {
    event->accept();
    close();
}

void PopupWindow::closeEvent(QCloseEvent* event) {
    m_lifetime.stop();
    emit Closed(this);
    QFrame::closeEvent(event);
}

}  // namespace halvera
