#include "popup/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace halvera {
namespace {

const QString SERVICE = QStringLiteral("org.freedesktop.Notifications");
const QString PATH = QStringLiteral("/org/freedesktop/Notifications");
const QString INTERFACE = QStringLiteral("org.freedesktop.Notifications");
const QString APP_NAME = QStringLiteral("Halvera");
// The program's icon in the icon theme (hicolor/*/apps/halvera.png).
const QString APP_ICON = QStringLiteral("halvera");
// A service that hangs must not hold messages back for long: they go to the own windows.
constexpr int CALL_TIMEOUT_MS = 5000;
// The urgency hint's levels as the desktop's notification service takes them.
constexpr uchar URGENCY_NORMAL = 1;
constexpr uchar URGENCY_CRITICAL = 2;

QDBusMessage ServiceCall(const QString& method) {
    QDBusMessage call = QDBusMessage::createMethodCall(SERVICE, PATH, INTERFACE, method);
    // Only a service that runs: the bus must not start one that cannot show anything.
    call.setAutoStartService(false);
    return call;
}

}  // namespace

void DesktopNotifier::Show(const QString& text, bool critical) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(SERVICE)) {
        emit NotShown(text);
        return;
    }
    // The body is markup where the service reads markup, and the text holds names from the
    // network: asked for each message, since the service may have been replaced meanwhile.
    auto* watcher = new QDBusPendingCallWatcher(
        bus.asyncCall(ServiceCall(QStringLiteral("GetCapabilities")), CALL_TIMEOUT_MS), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, text, critical](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                QDBusPendingReply<QStringList> capabilities = *call;
                if (capabilities.isError()) {
                    emit NotShown(text);
                    return;
                }
                Notify(text, critical,
                       capabilities.value().contains(QStringLiteral("body-markup")));
            });
}

void DesktopNotifier::Notify(const QString& text, bool critical, bool markup) {
    QDBusMessage call = ServiceCall(QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue(critical ? URGENCY_CRITICAL : URGENCY_NORMAL));
    call << APP_NAME << 0u << APP_ICON << APP_NAME << (markup ? text.toHtmlEscaped() : text)
         << QStringList() << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(call, CALL_TIMEOUT_MS), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, text](QDBusPendingCallWatcher* pending) {
                pending->deleteLater();
                if (QDBusPendingReply<uint>(*pending).isError()) {
                    emit NotShown(text);
                }
            });
}

}  // namespace halvera
