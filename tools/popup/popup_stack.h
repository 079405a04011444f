#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "popup/popup_window.h"

namespace halvera {

// The open popup windows, stacked upwards from the lower right corner of the screen, the
// newest on top. A new message beyond the limit takes the oldest window, so a burst of
// events cannot bury the desktop.
class PopupStack : public QObject {
    Q_OBJECT

  public:
    static constexpr int WINDOW_MAX = 8;
    static constexpr int LIFETIME_MS = 30000;

    explicit PopupStack(int lifetimeMs = LIFETIME_MS, QObject* parent = nullptr);
    ~PopupStack() override;

    const QList<PopupWindow*>& Windows() const { return m_windows; }

  public slots:
    void Show(const QString& text);

  private:
    void Forget(PopupWindow* window);
    void Arrange();

    int m_lifetimeMs;
    QList<PopupWindow*> m_windows;  // oldest first
};

}  // namespace halvera
