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
    PopupWindow* window = nullptr;
    if (m_windows.size() >= WINDOW_MAX) {
        // The oldest window takes the new message: a burst makes no window beyond the limit,
        // nor one to be freed later.
        window = m_windows.takeFirst();
        window->Reuse(text);
    } else {
        window = new PopupWindow(text, m_lifetimeMs);
        connect(window, &PopupWindow::Closed, this, &PopupStack::Forget);
    }
    m_windows.append(window);
    Arrange();
    window->show();
    window->raise();
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
