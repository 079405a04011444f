#include "popup/popup_stack.h"

#include <QGuiApplication>
#include <QScreen>

namespace halvera {
namespace {

constexpr int MARGIN = 8;

}  // namespace

PopupStack::PopupStack(int lifetimeMs, QObject* parent)
    : QObject(parent), m_lifetimeMs(lifetimeMs) {}

PopupStack::~PopupStack() {
    for (PopupWindow* window : QList<PopupWindow*>(m_windows)) {
        disconnect(window, nullptr, this, nullptr);
        delete window;
    }
}

void PopupStack::Show(const QString& text) {
    while (m_windows.size() >= WINDOW_MAX) {
        PopupWindow* oldest = m_windows.takeFirst();
        disconnect(oldest, nullptr, this, nullptr);
        oldest->hide();
        oldest->deleteLater();
    }
    auto* window = new PopupWindow(text, m_lifetimeMs);
    connect(window, &PopupWindow::Closed, this, &PopupStack::Forget);
    m_windows.append(window);
    Arrange();
    window->show();
}

void PopupStack::Forget(PopupWindow* window) {
    m_windows.removeOne(window);
    Arrange();
}

void PopupStack::Arrange() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect area = screen->availableGeometry();
    int bottom = area.bottom() - MARGIN;
    for (PopupWindow* window : m_windows) {
        // adjustSize() gives the wrapped text the height it needs at its fixed width.
        window->adjustSize();
        QSize size = window->size();
        window->move(area.right() - MARGIN - size.width(), bottom - size.height());
        bottom -= size.height() + MARGIN;
    }
}

}  // namespace halvera
