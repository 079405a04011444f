#pragma once

#include <QObject>
#include <QString>

namespace halvera {

// Shows popup messages through the desktop's notification service
// (org.freedesktop.Notifications on the session bus), so they follow the desktop's
// notification centre and its do-not-disturb. A message the service does not take (no
// session bus, no service running, a refused or unanswered call) comes back as NotShown,
// for the program's own windows.
class DesktopNotifier : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

  public slots:
    // Critical messages stay until the user dismisses them, where the service allows.
    void Show(const QString& text, bool critical);

  signals:
    void NotShown(const QString& text);

  private:
    void Notify(const QString& text, bool critical, bool markup);
};

}  // namespace halvera
