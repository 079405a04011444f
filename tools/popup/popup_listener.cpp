#include "popup/popup_listener.h"

#include <QNetworkInterface>

#include <cerrno>
#include <cstring>
#include <string>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "base/text_codec.h"
#include "events/popup_relay.h"
#include "events/udp_socket_owner.h"

namespace halvera {
namespace {

// The answer's content is not examined by a relay that does not know it; Halvera's relay
// reads the count of dropped datagrams that may follow.
const std::string ACKNOWLEDGEMENT = "OK";
const std::string DROPPED_ACKNOWLEDGEMENT = "OK foreign=";
// Room for the longest message and one byte more, so that cutting it sees whether its
// last character is whole; anything beyond is dropped by the cut anyway.
constexpr std::size_t DATAGRAM_ROOM = POPUP_MESSAGE_MAX + 1;
// Room for a burst of the longest datagrams between two turns of the event loop.
constexpr int RECEIVE_BUFFER = 1 << 20;

// The loopback address first, so that a free port chosen there is taken on the others too.
QList<quint32> OwnAddresses() {
    QList<quint32> addresses{INADDR_LOOPBACK};
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        bool isIpv4 = false;
        const quint32 ip = address.toIPv4Address(&isIpv4);
        if (isIpv4 && !addresses.contains(ip)) {
            addresses.append(ip);
        }
    }
    return addresses;
}

sockaddr_in SocketAddress(quint32 ip, quint16 port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(ip);
    address.sin_port = htons(port);
    return address;
}

bool IsOwnUsersSocket(const UdpSocketOwner& owner) {
    return owner.lookup == UdpOwnerLookup::FOUND && owner.uid == ::geteuid();
}

}  // namespace

bool IsOwnAddress(const QHostAddress& address) {
    bool isIpv4 = false;
    quint32 ip = address.toIPv4Address(&isIpv4);
    if (!isIpv4) {
        return false;
    }
    QHostAddress sender(ip);
    if (sender.isLoopback()) {
        return true;
    }
    const auto own = QNetworkInterface::allAddresses();
    return own.contains(sender);
}

PopupListener::PopupListener(QObject* parent) : QObject(parent) {}

PopupListener::~PopupListener() {
    for (Endpoint& endpoint : m_endpoints) {
        endpoint.notifier.reset();
        ::close(endpoint.socket);
    }
}

bool PopupListener::Listen(quint16 port) {
    if (!m_endpoints.empty()) {
        return false;
    }
    for (quint32 ip : OwnAddresses()) {
        if (!Bind(ip, port)) {
            for (Endpoint& endpoint : m_endpoints) {
                ::close(endpoint.socket);
            }
            m_endpoints.clear();
            m_addresses.clear();
            return false;
        }
        port = Port();
    }
    for (Endpoint& endpoint : m_endpoints) {
        Watch(endpoint);
    }
    connect(&m_addressCheck, &QTimer::timeout, this, &PopupListener::BindNewAddresses);
    m_addressCheck.start(ADDRESS_CHECK_MS);
    return true;
}

void PopupListener::Watch(Endpoint& endpoint) {
    const int socket = endpoint.socket;
    endpoint.notifier = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    connect(endpoint.notifier.get(), &QSocketNotifier::activated, this,
            [this, socket] { ReadDatagrams(socket); });
}

void PopupListener::BindNewAddresses() {
    for (quint32 ip : OwnAddresses()) {
        // One the port cannot be bound on stays without: Failure() tells why.
        if (!m_addresses.contains(ip) && Bind(ip, Port())) {
            Watch(m_endpoints.back());
        }
    }
}

bool PopupListener::Bind(quint32 ip, quint16 port) {
    int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int on = 1;
    int room = RECEIVE_BUFFER;
    sockaddr_in address = SocketAddress(ip, port);
    // No SO_REUSEADDR: a second program on the port, of any user, must fail here.
    if (socket >= 0 && ::setsockopt(socket, IPPROTO_IP, IP_RECVTOS, &on, sizeof on) == 0 &&
        ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &room, sizeof room) == 0 &&
        ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        m_endpoints.push_back({socket, nullptr});
        m_addresses.append(ip);
        return true;
    }
    m_failure = {QHostAddress(ip), errno, false, 0};
    if (socket >= 0) {
        ::close(socket);
    }
    if (m_failure.error == EADDRINUSE) {
        const UdpSocketOwner holder = FindUdpSocketOwner({htonl(ip), 0}, {htonl(ip), port});
        m_failure.otherUser = holder.lookup == UdpOwnerLookup::FOUND && holder.uid != ::geteuid();
        m_failure.holder = holder.uid;
    }
    return false;
}

quint16 PopupListener::Port() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (m_endpoints.empty() || ::getsockname(m_endpoints.front().socket,
                                             reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

void PopupListener::SetSenderCheck(SenderCheck check) {
    m_senderCheck = std::move(check);
}

void PopupListener::ReadDatagrams(int socket) {
    sockaddr_in own{};
    socklen_t ownLength = sizeof own;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&own), &ownLength);
    for (int read = 0; read < READ_BATCH;) {
        char bytes[DATAGRAM_ROOM];
        sockaddr_in sender{};
        iovec data{bytes, sizeof bytes};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
        msghdr message{};
        message.msg_name = &sender;
        message.msg_namelen = sizeof sender;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        ssize_t size = ::recvmsg(socket, &message, 0);
        if (size < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;  // EAGAIN: all read
        }
        ++read;
        // From this host, and the sender's socket, as the kernel knows it, this user's.
        const bool accepted =
            message.msg_namelen == sizeof sender &&
            m_senderCheck(QHostAddress(ntohl(sender.sin_addr.s_addr))) &&
            IsOwnUsersSocket(FindUdpSocketOwner({own.sin_addr.s_addr, ntohs(own.sin_port)},
                                                {sender.sin_addr.s_addr, ntohs(sender.sin_port)}));
        if (!accepted) {
            ++m_dropped;
            ++m_untold;
            continue;
        }
        const std::string answer =
            m_untold == 0 ? ACKNOWLEDGEMENT : DROPPED_ACKNOWLEDGEMENT + std::to_string(m_untold);
        m_untold = 0;
        ::sendto(socket, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&sender),
                 sizeof sender);
        unsigned char tos = 0;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TOS &&
                c->cmsg_len >= CMSG_LEN(sizeof tos)) {
                std::memcpy(&tos, CMSG_DATA(c), sizeof tos);
            }
        }
        // A datagram longer than the room comes truncated (MSG_TRUNC): the cut drops the
        // rest anyway.
        std::string_view text =
            CutCp932(std::string_view(bytes, static_cast<std::size_t>(size)), POPUP_MESSAGE_MAX);
        emit MessageArrived(QString::fromStdString(Cp932ToUtf8Lossy(text)),
                            tos == POPUP_CRITICAL_TOS);
    }
}

}  // namespace halvera
