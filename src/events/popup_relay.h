#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "base/ip_address.h"
#include "events/desktop_notice.h"
#include "events/popup_port.h"
#include "events/udp_socket_owner.h"
#include "lists/error_log.h"

namespace halvera {

// The popup program below the program folder, its one argument and its UDP port.
inline constexpr std::string_view POPUP_PROGRAM = "Brevlet";
inline constexpr std::string_view POPUP_ARGUMENT = "Tolvance";
inline constexpr int POPUP_PORT = 20100;
// Longest message text of one datagram, in bytes.
inline constexpr std::size_t POPUP_MESSAGE_MAX = 2047;
// The IP type of service of a critical message's datagrams (precedence "critical"): the
// text of a datagram is fixed for any popup program, so the urgency travels in the header,
// where a program that does not look for it never sees it.
inline constexpr int POPUP_CRITICAL_TOS = 0xA0;

// The sniffing-node message is critical, every other one normal.
enum class PopupUrgency { NORMAL, CRITICAL };

struct PopupRelayOptions {
    int port = POPUP_PORT;
    // How long the popup program may take until it holds its port.
    std::chrono::milliseconds startWait{60000};
    // How long a datagram waits for its acknowledgement before it is sent once more.
    std::chrono::milliseconds ackWait{1000};
    // Where a message goes while another user's program holds the port; nullptr: the desktop
    // notification service on the session bus.
    DesktopNotice* notice = nullptr;
};

// How one message went; the event actions go on in every case.
enum class PopupDelivery {
    ACKNOWLEDGED,  // the popup program answered
    REPEATED,      // no answer within the wait: the datagram was sent a second time
    NOTIFIED,      // another user's program holds the port: the desktop's notification
                   // service showed it instead
    FAILED,        // the program could not be started, the datagram not sent or the message
                   // not shown (logged)
};

// The own IPv4 address the popup program listens on, asked for at each message: the address
// the last range search or list refresh read, which follows a changed adapter or lease.
using OwnAddressSource = std::function<Ipv4()>;

// Hands popup messages to the popup program bin/Brevlet: starts it when it does not run,
// sends each message as one UDP datagram to the own IPv4 address and waits briefly for the
// answer. The program keeps running across events until EndPopupProgram. The port is the
// machine's: the text goes only to a socket of this user, which the kernel's socket
// diagnostics tell; while another user's program holds the port, the message goes to the
// desktop's notification service instead.
class PopupRelay : public PopupPort {
  public:
    PopupRelay(OwnAddressSource ownIp, ErrorLog& errorLog, PopupRelayOptions options = {});
    // A fixed own address.
    PopupRelay(Ipv4 ownIp, ErrorLog& errorLog, PopupRelayOptions options = {});
    // Ends a running popup program.
    ~PopupRelay() override;
    PopupRelay(const PopupRelay&) = delete;
    PopupRelay& operator=(const PopupRelay&) = delete;

    // Creates bin/ below the program folder (an existing folder is no error).
    void InitPopupRelay();
    // Shows a popup text whose placeholders the event actions have expanded (CP932; cut to
    // POPUP_MESSAGE_MAX bytes without splitting a character). Runs on the search run's thread and
    // blocks it while the program starts (up to startWait) and about ackWait when no answer comes.
    // Failures go to the error log ("popupd").
    PopupDelivery ShowPopupMessage(std::string_view messageCp932,
                                   PopupUrgency urgency = PopupUrgency::NORMAL);
    // The popup action of an event: the same, for the event actions, critical for the
    // sniffing-node event.
    void ShowPopupMessage(int kind, const NodeRecord& node, std::string_view messageCp932) override;
    // Terminates a running popup program and waits until it has ended; without one,
    // nothing happens.
    void EndPopupProgram();
    // The process id of the running popup program, 0 when none runs.
    pid_t PopupProcess() const;

  private:
    bool StartPopupProgram(Ipv4 ownIp);
    void PopupWatcherThread(pid_t process);
    PopupDelivery SendMessage(Ipv4 ownIp, std::string_view message, PopupUrgency urgency);
    PopupDelivery ShowNotice(const UdpSocketOwner& holder, std::string_view message,
                             PopupUrgency urgency);
    void ReadAnswer(std::string_view answer);

    OwnAddressSource m_ownIp;
    ErrorLog& m_errorLog;
    PopupRelayOptions m_options;
    std::unique_ptr<DesktopNotice> m_ownNotice;  // when the options name none
    DesktopNotice& m_notice;
    // The missing notification service is logged once, until a notice gets through again.
    bool m_noticeFailureLogged = false;

    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    pid_t m_process = 0;  // guarded by m_mutex
    std::thread m_watcher;
};

}  // namespace halvera
