#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>

#include "events/popup_relay.h"
#include "events/udp_socket_owner.h"
#include "popup/desktop_notifier.h"
#include "popup/popup_listener.h"
#include "popup/popup_queue.h"
#include "popup/popup_stack.h"

#if defined(__SANITIZE_THREAD__)
// Qt's D-Bus connection thread and the libdbus and glib below it are not built for
// ThreadSanitizer: what they hand between threads through their own locks and event fds would
// read as races. Only calls made from inside these libraries are ignored.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6DBus.so.6\n"
           "called_from_lib:libdbus-1.so.3\n"
           "called_from_lib:libglib-2.0.so.0\n";
}
#endif

// The popup program that Halvera's popup relay starts: shows each message of the relay as a
// desktop notification, or in a small window of its own where the desktop takes none, until
// Halvera ends it.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    if (argc < 2 || std::strcmp(argv[1], halvera::POPUP_ARGUMENT.data()) != 0) {
        std::fprintf(stderr, "Brevlet shows the popup messages of Halvera and is started by it.\n");
        return 2;
    }
    halvera::PopupStack stack;
    halvera::DesktopNotifier notifier;
    halvera::PopupQueue queue;
    halvera::PopupListener listener;
    if (!listener.Listen(halvera::POPUP_PORT)) {
        const halvera::ListenFailure& failure = listener.Failure();
        const std::string address = failure.address.toString().toStdString();
        if (failure.otherUser) {
            // The port is the machine's: that user's program serves that user, and this
            // user's relay shows its messages through the desktop's notification service.
            std::fprintf(stderr,
                         "Brevlet: UDP port %d on %s is held by another user's program (uid "
                         "%u); Halvera shows this user's messages as desktop notifications.\n",
                         halvera::POPUP_PORT, address.c_str(), failure.holder);
        } else {
            std::fprintf(stderr, "Brevlet: UDP port %d on %s cannot be bound: %s\n",
                         halvera::POPUP_PORT, address.c_str(), std::strerror(failure.error));
        }
        return 1;
    }
    const halvera::Ipv4 loopback = halvera::MakeIp(127, 0, 0, 1);
    if (halvera::FindUdpSocketOwner({loopback, 0}, {loopback, halvera::POPUP_PORT}).lookup !=
        halvera::UdpOwnerLookup::FOUND) {
        // Without the kernel's socket diagnostics for UDP no sender can be told, and every
        // datagram is dropped: the relay shows its messages as desktop notifications.
        std::fprintf(stderr,
                     "Brevlet: the kernel's UDP socket diagnostics are not available; no "
                     "message can be told to come from this user, so none is shown.\n");
    }
    QObject::connect(&listener, &halvera::PopupListener::MessageArrived, &queue,
                     &halvera::PopupQueue::Add);
    QObject::connect(&queue, &halvera::PopupQueue::Ready, &notifier,
                     &halvera::DesktopNotifier::Show);
    QObject::connect(&notifier, &halvera::DesktopNotifier::NotShown, &stack,
                     &halvera::PopupStack::Show);
    return app.exec();
}
