#include "events/popup_relay.h"

#include <cerrno>
#include <csignal>
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
#include "events/socket_wait.h"
#include "store/event_kind.h"

namespace halvera {
namespace {

constexpr std::string_view LOG_TAG = "popupd";
constexpr std::size_t ACK_SIZE = 128;
constexpr auto READY_POLL = std::chrono::milliseconds(20);
// How long a terminated popup program may take to end before it is killed.
constexpr auto END_WAIT = std::chrono::seconds(3);

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

}  // namespace

PopupRelay::PopupRelay(OwnAddressSource ownIp, ErrorLog& errorLog, PopupRelayOptions options)
    : m_ownIp(std::move(ownIp)), m_errorLog(errorLog), m_options(options) {}

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
    if (PopupProcess() == 0 && !StartPopupProgram()) {
        return PopupDelivery::FAILED;
    }
    return SendMessage(CutCp932(messageCp932, POPUP_MESSAGE_MAX), urgency);
}

bool PopupRelay::StartPopupProgram() {
    pid_t process = SpawnPopupProgram(BinFolder() / POPUP_PROGRAM);
    Readiness readiness = Readiness::ENDED;
    if (process != 0) {
        readiness = WaitUntilReady(process, m_ownIp(), m_options.port, m_options.startWait);
    }
    if (readiness == Readiness::TIMED_OUT) {
        // Left running, it would take the port later and a second copy would be started
        // for the next event.
        ::kill(process, SIGKILL);
        ::waitpid(process, nullptr, 0);
    }
    if (readiness != Readiness::READY) {
        m_errorLog.WriteErrorLog(LOG_TAG, Sjis("モジュールが見つかりません。(bin/Brevlet)"));
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

PopupDelivery PopupRelay::SendMessage(std::string_view message, PopupUrgency urgency) {
    int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        m_errorLog.WriteErrorLog(LOG_TAG, "create socket error");
        return PopupDelivery::FAILED;
    }
    if (urgency == PopupUrgency::CRITICAL) {
        // Without the mark the message is still shown, only as a normal one.
        int tos = POPUP_CRITICAL_TOS;
        ::setsockopt(socket, IPPROTO_IP, IP_TOS, &tos, sizeof tos);
    }
    PopupDelivery delivery = PopupDelivery::FAILED;
    sockaddr_in address = PopupAddress(m_ownIp(), m_options.port);
    auto sendOnce = [&] {
        if (::send(socket, message.data(), message.size(), 0) ==
            static_cast<ssize_t>(message.size())) {
            return true;
        }
        m_errorLog.WriteErrorLog(LOG_TAG, "popup message send error");
        return false;
    };
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        m_errorLog.WriteErrorLog(LOG_TAG, "create connection error");
    } else if (sendOnce()) {
        if (!WaitForSocket(socket, POLLIN, m_options.ackWait)) {
            // No answer in time is no error: a slow popup program may see the message twice.
            delivery = sendOnce() ? PopupDelivery::REPEATED : PopupDelivery::FAILED;
        } else {
            char answer[ACK_SIZE];
            if (::recv(socket, answer, sizeof answer, 0) < 0) {
                // Also where the host reported the port unreachable.
                m_errorLog.WriteErrorLog(LOG_TAG, "popup message recv error");
            } else {
                delivery = PopupDelivery::ACKNOWLEDGED;
            }
        }
    }
    ::close(socket);
    return delivery;
}

}  // namespace halvera
