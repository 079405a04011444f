#include "events/popup_relay.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <string>
#include <system_error>
#include <utility>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/clean_spawn.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "events/dbus_desktop_notice.h"
#include "events/socket_wait.h"
#include "events/udp_socket_owner.h"
#include "store/event_kind.h"

namespace halvera {
namespace {

constexpr std::string_view LOG_TAG = "popupd";
constexpr std::size_t ACK_SIZE = 128;
constexpr auto READY_POLL = std::chrono::milliseconds(20);
// How long a terminated popup program may take to end before it is killed.
constexpr auto END_WAIT = std::chrono::seconds(3);
// The popup program's answer may tell how many datagrams it dropped because no socket of
// its user sent them; any other answer is an answer all the same.
constexpr std::string_view DROPPED_ANSWER = "OK foreign=";

enum class Readiness { READY, ENDED, TIMED_OUT };

sockaddr_in PopupAddress(Ipv4 ip, int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = ip;
    return address;
}

// The popup program is ready once it holds the port: a trial bind of our own then fails
// with "address in use".
bool PortTaken(Ipv4 ip, int port) {
    int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return false;
    }
    sockaddr_in address = PopupAddress(ip, port);
    bool taken = ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
                 errno == EADDRINUSE;
    ::close(probe);
    return taken;
}

Readiness WaitUntilReady(pid_t process, Ipv4 ip, int port, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (::waitpid(process, nullptr, WNOHANG) == process) {
            return Readiness::ENDED;
        }
        if (PortTaken(ip, port)) {
            return Readiness::READY;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return Readiness::TIMED_OUT;
        }
        std::this_thread::sleep_for(READY_POLL);
    }
}

// Starts the program with the one argument. Returns 0 when it cannot be started.
pid_t SpawnPopupProgram(const std::filesystem::path& program) {
    const pid_t process = SpawnClean({program.string(), std::string(POPUP_ARGUMENT)});
    return process > 0 ? process : 0;
}

// Whether a socket of another user (or one whose owner cannot be told) takes what is sent
// from `from` to the popup port.
bool HeldByOther(const UdpSocketOwner& holder) {
    return holder.lookup == UdpOwnerLookup::UNKNOWN ||
           (holder.lookup == UdpOwnerLookup::FOUND && holder.uid != ::geteuid());
}

}  // namespace

PopupRelay::PopupRelay(OwnAddressSource ownIp, ErrorLog& errorLog, PopupRelayOptions options)
    : m_ownIp(std::move(ownIp)),
      m_errorLog(errorLog),
      m_options(options),
      m_ownNotice(options.notice != nullptr ? nullptr : std::make_unique<DbusDesktopNotice>()),
      m_notice(options.notice != nullptr ? *options.notice : *m_ownNotice) {}

PopupRelay::PopupRelay(Ipv4 ownIp, ErrorLog& errorLog, PopupRelayOptions options)
    : PopupRelay([ownIp] { return ownIp; }, errorLog, options) {}

PopupRelay::~PopupRelay() {
    EndPopupProgram();
    if (m_watcher.joinable()) {
        m_watcher.join();
    }
}

void PopupRelay::InitPopupRelay() {
    std::error_code ignored;
    std::filesystem::create_directories(BinFolder(), ignored);
}

pid_t PopupRelay::PopupProcess() const {
    std::lock_guard lock(m_mutex);
    return m_process;
}

void PopupRelay::ShowPopupMessage(int kind, const NodeRecord&, std::string_view messageCp932) {
    ShowPopupMessage(messageCp932,
                     kind == EVENT_SNIFFING_NODE ? PopupUrgency::CRITICAL : PopupUrgency::NORMAL);
}

PopupDelivery PopupRelay::ShowPopupMessage(std::string_view messageCp932, PopupUrgency urgency) {
    const Ipv4 ownIp = m_ownIp();
    const std::string_view message = CutCp932(messageCp932, POPUP_MESSAGE_MAX);
    const UdpEnd port{ownIp, static_cast<std::uint16_t>(m_options.port)};
    // Another user's program on the port: the own one could not take it, and it must not
    // get the text.
    UdpSocketOwner holder = FindUdpSocketOwner({ownIp, 0}, port);
    if (HeldByOther(holder)) {
        return ShowNotice(holder, message, urgency);
    }
    if (PopupProcess() == 0 && !StartPopupProgram(ownIp)) {
        holder = FindUdpSocketOwner({ownIp, 0}, port);
        if (HeldByOther(holder)) {
            return ShowNotice(holder, message, urgency);
        }
        m_errorLog.WriteErrorLog(LOG_TAG, Sjis("モジュールが見つかりません。(bin/Brevlet)"));
        return PopupDelivery::FAILED;
    }
    return SendMessage(ownIp, message, urgency);
}

bool PopupRelay::StartPopupProgram(Ipv4 ownIp) {
    pid_t process = SpawnPopupProgram(BinFolder() / POPUP_PROGRAM);
    Readiness readiness = Readiness::ENDED;
    if (process != 0) {
        readiness = WaitUntilReady(process, ownIp, m_options.port, m_options.startWait);
    }
    if (readiness == Readiness::TIMED_OUT) {
        // Left running, it would take the port later and a second copy would be started
        // for the next event.
        ::kill(process, SIGKILL);
        ::waitpid(process, nullptr, 0);
    }
    if (readiness != Readiness::READY) {
        return false;
    }
    std::lock_guard lock(m_mutex);
    m_process = process;
    // A watcher of an earlier program has cleared the id and is at its end.
    if (m_watcher.joinable()) {
        m_watcher.join();
    }
    m_watcher = std::thread(&PopupRelay::PopupWatcherThread, this, process);
    return true;
}

void PopupRelay::PopupWatcherThread(pid_t process) {
    // Waits without reaping, so the id cannot be reused while EndPopupProgram may still
    // signal it; the reaping and the clearing are one step under the lock.
    siginfo_t info{};
    while (::waitid(P_PID, process, &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    {
        std::lock_guard lock(m_mutex);
        while (::waitpid(process, nullptr, 0) < 0 && errno == EINTR) {
        }
        m_process = 0;
    }
    m_ended.notify_all();
}

void PopupRelay::EndPopupProgram() {
    std::unique_lock lock(m_mutex);
    if (m_process == 0) {
        return;
    }
    ::kill(m_process, SIGTERM);
    if (!m_ended.wait_for(lock, END_WAIT, [this] { return m_process == 0; })) {
        ::kill(m_process, SIGKILL);
        m_ended.wait(lock, [this] { return m_process == 0; });
    }
}

PopupDelivery PopupRelay::SendMessage(Ipv4 ownIp, std::string_view message, PopupUrgency urgency) {
    struct Socket {
        int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ~Socket() {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    } socket;
    if (socket.fd < 0) {
        m_errorLog.WriteErrorLog(LOG_TAG, "create socket error");
        return PopupDelivery::FAILED;
    }
    if (urgency == PopupUrgency::CRITICAL) {
        // Without the mark the message is still shown, only as a normal one.
        int tos = POPUP_CRITICAL_TOS;
        ::setsockopt(socket.fd, IPPROTO_IP, IP_TOS, &tos, sizeof tos);
    }
    sockaddr_in address = PopupAddress(ownIp, m_options.port);
    if (::connect(socket.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        m_errorLog.WriteErrorLog(LOG_TAG, "create connection error");
        return PopupDelivery::FAILED;
    }
    // Who takes this very socket's datagrams, asked before each send: the program may have
    // ended and another user's taken the port since the last look.
    UdpSocketOwner holder;
    auto heldByOther = [&] {
        sockaddr_in local{};
        socklen_t length = sizeof local;
        ::getsockname(socket.fd, reinterpret_cast<sockaddr*>(&local), &length);
        holder = FindUdpSocketOwner({local.sin_addr.s_addr, ntohs(local.sin_port)},
                                    {ownIp, static_cast<std::uint16_t>(m_options.port)});
        return HeldByOther(holder);
    };
    auto sendOnce = [&] {
        if (::send(socket.fd, message.data(), message.size(), 0) ==
            static_cast<ssize_t>(message.size())) {
            return true;
        }
        m_errorLog.WriteErrorLog(LOG_TAG, "popup message send error");
        return false;
    };
    if (heldByOther()) {
        return ShowNotice(holder, message, urgency);
    }
    if (!sendOnce()) {
        return PopupDelivery::FAILED;
    }
    if (!WaitForSocket(socket.fd, POLLIN, m_options.ackWait)) {
        // No answer in time is no error: a slow popup program may see the message twice.
        if (heldByOther()) {
            return ShowNotice(holder, message, urgency);
        }
        return sendOnce() ? PopupDelivery::REPEATED : PopupDelivery::FAILED;
    }
    char answer[ACK_SIZE];
    ssize_t size = ::recv(socket.fd, answer, sizeof answer, 0);
    if (size < 0) {
        // Also where the host reported the port unreachable.
        m_errorLog.WriteErrorLog(LOG_TAG, "popup message recv error");
        return PopupDelivery::FAILED;
    }
    ReadAnswer(std::string_view(answer, static_cast<std::size_t>(size)));
    return PopupDelivery::ACKNOWLEDGED;
}

PopupDelivery PopupRelay::ShowNotice(const UdpSocketOwner& holder, std::string_view message,
                                     PopupUrgency urgency) {
    if (m_notice.ShowNotice(Cp932ToUtf8Lossy(message), urgency == PopupUrgency::CRITICAL)) {
        m_noticeFailureLogged = false;
        return PopupDelivery::NOTIFIED;
    }
    if (!m_noticeFailureLogged) {
        m_noticeFailureLogged = true;
        const std::string whose =
            holder.lookup == UdpOwnerLookup::FOUND
                ? "popup port held by another user's program (uid " + std::to_string(holder.uid) +
                      ")"
                : "popup port's holder cannot be told (no socket diagnostics)";
        m_errorLog.WriteErrorLog(
            LOG_TAG, whose + " and no desktop notification service: popup messages not shown");
    }
    return PopupDelivery::FAILED;
}

void PopupRelay::ReadAnswer(std::string_view answer) {
    if (!answer.starts_with(DROPPED_ANSWER)) {
        return;
    }
    const std::string_view digits = answer.substr(DROPPED_ANSWER.size());
    unsigned long dropped = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), dropped);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
        return;
    }
    m_errorLog.WriteErrorLog(LOG_TAG, "the popup program dropped " + std::to_string(dropped) +
                                          " datagrams not sent by this user");
}

}  // namespace halvera
