#pragma once

#include <atomic>

#include "base/ip_address.h"
#include "events/desktop_actions.h"
#include "events/mail_sender_port.h"
#include "events/popup_port.h"
#include "lists/list_table.h"
#include "store/event_settings_store.h"
#include "store/log_store.h"
#include "store/mail_queue.h"
#include "store/node_event_sink.h"
#include "store/node_record.h"
#include "store/range_store.h"
#include "store/settings_store.h"

namespace halvera {

// Where the actions of an event go, and what they read. One object lives as long as the
// main window; the search runs raise their events through it, one run at a time.
struct EventActionTargets {
    const SettingsStore& settings;      // ALLEVENT, ELISTMAX
    EventSettingsStore& eventSettings;  // what each kind does
    RangeStore& actionRanges;           // the nodes the actions apply to when ALLEVENT is not 1
    LogStore& logs;                     // the event log and its list
    ListTable& eventList;               // the event list of the lower pane
    MailQueue& mailQueue;               // the mail lines of the current run
    MailSenderPort& mailSender;         // sends the run's mail when the run ends
    PopupPort& popup;                   // the popup relay
    DesktopActions& desktop;            // external file, beep, sound
};

// Turns a raised event into the actions configured for its kind: the event list row, the
// event log line, the external file, the popup, the mail line and the beep or sound. Owns
// the mail-pending flag: set when a run queues a mail line, cleared when the run's mail
// leaves.
class EventActions : public NodeEventSink {
  public:
    explicit EventActions(EventActionTargets targets);

    // Runs the actions of kind for the node (read only), in this order: nothing for a new
    // node or a node down of the own address; nothing for a disabled kind; the event list
    // row; nothing more for a node outside the action ranges (ALLEVENT not 1); the log
    // line (the row and the line carry the expanded message, for an address change followed
    // by the node's previous address, for a device change by the address's previous MAC); the
    // external file (its parameters split at blanks, each expanded for the node, never through a
    // shell); the popup; the mail line; the beep, or else the sound file.
    void RunEventActions(const NodeRecord& node, int kind, Ipv4 ownAddress) override;

    // At the end of a run: when a mail line was queued, sends one mail with every queued
    // line and deletes the queue, whatever the send gave (lines of a failed mail are lost).
    void FlushPendingMail() override;

    // The mail-pending flag: 1 while queued lines wait for the end of the run.
    int MailPending() const { return m_mailPending.load(); }

  private:
    bool InActionRanges(Ipv4 address);
    void StartExternalFile(const NodeRecord& node, const std::string& filePath);

    EventActionTargets m_targets;
    std::atomic<int> m_mailPending{0};
};

}  // namespace halvera
