#include "events/dbus_desktop_notice.h"

#include <dbus/dbus.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/text_helpers.h"

namespace halvera {
namespace {

constexpr const char* SERVICE = "org.freedesktop.Notifications";
constexpr const char* PATH = "/org/freedesktop/Notifications";
constexpr const char* APP_NAME = "Halvera";
// The program's icon in the icon theme (hicolor/*/apps/halvera.png).
constexpr const char* APP_ICON = "halvera";
// A service that hangs must not hold the search run for long.
constexpr int CALL_TIMEOUT_MS = 5000;
// The urgency hint's levels as the notification service takes them.
constexpr std::uint8_t URGENCY_NORMAL = 1;
constexpr std::uint8_t URGENCY_CRITICAL = 2;

struct ConnectionClose {
    void operator()(DBusConnection* connection) const {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
using Connection = std::unique_ptr<DBusConnection, ConnectionClose>;

struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

// The session bus of this session only: libdbus would otherwise launch one ("autolaunch:")
// for a session without a bus.
Connection OpenSessionBus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == nullptr || *address == 0) {
        return nullptr;
    }
    DBusError error;
    dbus_error_init(&error);
    Connection connection(dbus_connection_open_private(address, &error));
    if (connection == nullptr || !dbus_bus_register(connection.get(), &error)) {
        dbus_error_free(&error);
        return nullptr;
    }
    dbus_connection_set_exit_on_disconnect(connection.get(), false);
    return connection;
}

// The reply to a call, or nullptr for an error or no reply within the limit.
Message Call(DBusConnection* connection, DBusMessage* call) {
    DBusError error;
    dbus_error_init(&error);
    Message reply(
        dbus_connection_send_with_reply_and_block(connection, call, CALL_TIMEOUT_MS, &error));
    dbus_error_free(&error);
    return reply;
}

Message ServiceCall(const char* method) {
    Message call(dbus_message_new_method_call(SERVICE, PATH, SERVICE, method));
    if (call != nullptr) {
        // Only a service that runs: the bus must not start one that cannot show anything.
        dbus_message_set_auto_start(call.get(), false);
    }
    return call;
}

bool ServiceRuns(DBusConnection* connection) {
    DBusError error;
    dbus_error_init(&error);
    const bool runs = dbus_bus_name_has_owner(connection, SERVICE, &error);
    dbus_error_free(&error);
    return runs;
}

// Whether the service reads markup in a body: then the text, which holds names from the
// network, is escaped.
bool ReadsMarkup(DBusConnection* connection) {
    Message call = ServiceCall("GetCapabilities");
    Message reply = call ? Call(connection, call.get()) : nullptr;
    if (reply == nullptr) {
        return false;
    }
    DBusMessageIter top;
    DBusMessageIter list;
    if (!dbus_message_iter_init(reply.get(), &top) ||
        dbus_message_iter_get_arg_type(&top) != DBUS_TYPE_ARRAY) {
        return false;
    }
    for (dbus_message_iter_recurse(&top, &list);
         dbus_message_iter_get_arg_type(&list) == DBUS_TYPE_STRING; dbus_message_iter_next(&list)) {
        const char* capability = nullptr;
        dbus_message_iter_get_basic(&list, &capability);
        if (std::string_view(capability) == "body-markup") {
            return true;
        }
    }
    return false;
}

// Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout).
Message NotifyCall(const std::string& body, bool critical) {
    Message call = ServiceCall("Notify");
    if (call == nullptr) {
        return nullptr;
    }
    const char* appName = APP_NAME;
    const char* appIcon = APP_ICON;
    const char* bodyText = body.c_str();
    const dbus_uint32_t replaces = 0;
    const dbus_int32_t expire = -1;
    const unsigned char urgency = critical ? URGENCY_CRITICAL : URGENCY_NORMAL;
    const char* urgencyKey = "urgency";
    DBusMessageIter args;
    DBusMessageIter actions;
    DBusMessageIter hints;
    DBusMessageIter entry;
    DBusMessageIter value;
    dbus_message_iter_init_append(call.get(), &args);
    bool built = dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &appName) &&
                 dbus_message_iter_append_basic(&args, DBUS_TYPE_UINT32, &replaces) &&
                 dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &appIcon) &&
                 dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &appName) &&
                 dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &bodyText) &&
                 dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "s", &actions) &&
                 dbus_message_iter_close_container(&args, &actions) &&
                 dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &hints) &&
                 dbus_message_iter_open_container(&hints, DBUS_TYPE_DICT_ENTRY, nullptr, &entry) &&
                 dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &urgencyKey) &&
                 dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "y", &value) &&
                 dbus_message_iter_append_basic(&value, DBUS_TYPE_BYTE, &urgency) &&
                 dbus_message_iter_close_container(&entry, &value) &&
                 dbus_message_iter_close_container(&hints, &entry) &&
                 dbus_message_iter_close_container(&args, &hints) &&
                 dbus_message_iter_append_basic(&args, DBUS_TYPE_INT32, &expire);
    return built ? std::move(call) : nullptr;
}

}  // namespace

bool DbusDesktopNotice::ShowNotice(std::string_view utf8Text, bool critical) {
    // A body that is not UTF-8 would make libdbus end the process.
    if (!dbus_validate_utf8(std::string(utf8Text).c_str(), nullptr)) {
        return false;
    }
    Connection connection = OpenSessionBus();
    if (connection == nullptr || !ServiceRuns(connection.get())) {
        return false;
    }
    const std::string body =
        ReadsMarkup(connection.get()) ? MarkupEscaped(utf8Text) : std::string(utf8Text);
    Message call = NotifyCall(body, critical);
    return call != nullptr && Call(connection.get(), call.get()) != nullptr;
}

}  // namespace halvera
