#include "events/event_actions.h"

#include "base/text_codec.h"
#include "events/event_list_row.h"
#include "events/external_file.h"
#include "events/placeholders.h"
#include "store/event_kind.h"
#include "store/vendor_table.h"

namespace halvera {
namespace {

// An address or device change says in its information text what the node had before: the
// placeholders describe it as it is now.
std::string ChangeNote(const NodeRecord& node, int kind) {
    if (kind == EVENT_IP_CHANGE) {
        return Sjis("（変更前のIPアドレス：") + FormatIp(node.prevIp) + Sjis("）");
    }
    if (kind == EVENT_DEVICE_CHANGE) {
        return Sjis("（変更前のMACアドレス：") + FormatMac(node.prevMac) + Sjis("）");
    }
    return {};
}

}  // namespace

EventActions::EventActions(EventActionTargets targets) : m_targets(targets) {}

void EventActions::RunEventActions(const NodeRecord& node, int kind, Ipv4 ownAddress) {
    // The own host is always present: it never appears as new nor goes down.
    if (node.ip == ownAddress && (kind == EVENT_NEW_NODE || kind == EVENT_NODE_DOWN)) {
        return;
    }
    EventSettings settings;
    m_targets.eventSettings.ReadEventSettings(kind, settings);
    if (settings.enabled == 0) {
        return;
    }
    const AppSettings app = m_targets.settings.App();
    // One expansion for the list row and the log line, so %TIME reads the same in both.
    const std::string message =
        ExpandPlaceholders(node, settings.message, MESSAGE_OUT_SIZE) + ChangeNote(node, kind);
    if (settings.screen != 0) {
        // The vendor column shows what the table names, never the MAC text that %VEN falls
        // back to.
        std::string vendor;
        LookupVendor(node.mac, vendor);
        AddEventRow(m_targets.eventList, node, kind, vendor, message, app.ELISTMAX);
    }
    if (app.ALLEVENT != 1 && !InActionRanges(node.ip)) {
        return;
    }
    if (settings.log != 0) {
        m_targets.logs.WriteEventLog(node, message, kind);
    }
    if (!settings.filePath.empty()) {
        StartExternalFile(node, settings.filePath);
    }
    if (!settings.popupText.empty()) {
        m_targets.popup.ShowPopupMessage(
            kind, node, ExpandPlaceholders(node, settings.popupText, POPUP_OUT_SIZE));
    }
    // A line the queue could not take must not leave a mail with an empty body behind.
    if (!settings.mailText.empty() &&
        m_targets.mailQueue.AppendMailLine(kind, node, settings.mailText) > 0) {
        m_mailPending.store(1);
    }
    if (settings.beep != 0) {
        m_targets.desktop.Beep();
    } else if (!settings.soundFile.empty()) {
        m_targets.desktop.PlaySound(settings.soundFile);
    }
}

bool EventActions::InActionRanges(Ipv4 address) {
    const std::uint32_t value = HostOrder(address);
    Ipv4 start = 0;
    Ipv4 end = 0;
    for (int n = 1; m_targets.actionRanges.ReadRange(n, start, end) == 0; ++n) {
        if (HostOrder(start) <= value && value <= HostOrder(end)) {
            return true;
        }
    }
    return false;
}

void EventActions::StartExternalFile(const NodeRecord& node, const std::string& filePath) {
    const ExternalFile file = SplitExternalFile(filePath);
    if (file.path.empty()) {
        return;
    }
    // Split first, expand each argument afterwards: a label or host name with blanks in it
    // stays one argument. The arguments keep within the buffer of the parameter text; those
    // that no longer fit are left out.
    std::vector<std::string> arguments;
    std::size_t used = 0;
    for (const std::string& argument : SplitArguments(file.parameters)) {
        std::string expanded = ExpandPlaceholders(node, argument, MESSAGE_OUT_SIZE);
        used += expanded.size() + (arguments.empty() ? 0 : 1);
        if (used >= MESSAGE_OUT_SIZE) {
            break;
        }
        arguments.push_back(std::move(expanded));
    }
    m_targets.desktop.OpenFile(file.path, arguments);
}

void EventActions::FlushPendingMail() {
    if (m_mailPending.load() == 0) {
        return;
    }
    m_targets.mailSender.SendMail(0);
    m_mailPending.store(0);
    m_targets.mailQueue.DeleteMailQueue();
}

}  // namespace halvera
