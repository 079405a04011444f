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
      m_text(text),
      m_body(new QLabel(this)),
      m_lifetimeMs(lifetimeMs) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setWindowTitle(QStringLiteral("Halvera"));

    auto* title = new QLabel(QStringLiteral("Halvera"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    m_body->setTextFormat(Qt::PlainText);
    m_body->setText(text);
    m_body->setWordWrap(true);
    m_body->setFixedWidth(TEXT_WIDTH);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(m_body);
    adjustSize();

    m_lifetime.setSingleShot(true);
    connect(&m_lifetime, &QTimer::timeout, this, &QWidget::close);
    m_lifetime.start(lifetimeMs);
}

void PopupWindow::Reuse(const QString& text) {
    m_text = text;
    m_body->setText(text);
    adjustSize();
    m_lifetime.start(m_lifetimeMs);
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
