#pragma once

#include <QFrame>
#include <QLabel>
#include <QString>
#include <QTimer>

namespace halvera {

// One popup message: a small frameless window that stays on top without taking the focus,
// shows the text as plain text (never as markup: it holds names from the network) and
// closes on a click or when its time is up.
class PopupWindow : public QFrame {
    Q_OBJECT

  public:
    PopupWindow(const QString& text, int lifetimeMs);
    QString Text() const { return m_text; }
    // Shows another message in this window, for a full lifetime from now.
    void Reuse(const QString& text);

  signals:
    void Closed(PopupWindow* window);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QString m_text;
    QLabel* m_body;
    int m_lifetimeMs;
    QTimer m_lifetime;
};

}  // namespace halvera
