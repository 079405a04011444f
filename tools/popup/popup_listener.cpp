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

namespace halvera {
namespace {

// The answer's content is not examined by the relay.
constexpr char ACKNOWLEDGEMENT[] = "OK";
// Room for the longest message and one byte more, so that cutting it sees whether its
// last character is whole; anything beyond is dropped by the cut anyway.
constexpr std::size_t DATAGRAM_ROOM = POPUP_MESSAGE_MAX + 1;

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
    m_notifier.reset();
    if (m_socket >= 0) {
        ::close(m_socket);
    }
}

bool PopupListener::Listen(quint16 port) {
    if (m_socket >= 0) {
        return false;
    }
    int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        return false;
    }
    int on = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    // No SO_REUSEADDR: a second program on the port must fail here.
    if (::setsockopt(socket, IPPROTO_IP, IP_RECVTOS, &on, sizeof on) != 0 ||
        ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return false;
    }
    m_socket = socket;
    m_notifier = std::make_unique<QSocketNotifier>(m_socket, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &PopupListener::ReadDatagrams);
    return true;
}

quint16 PopupListener::Port() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (m_socket < 0 ||
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

void PopupListener::SetSenderCheck(SenderCheck check) {
    m_senderCheck = std::move(check);
}

void PopupListener::ReadDatagrams() {
    for (;;) {
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
        ssize_t size = ::recvmsg(m_socket, &message, 0);
        if (size < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;  // EAGAIN: all read
        }
        QHostAddress from(ntohl(sender.sin_addr.s_addr));
        if (message.msg_namelen != sizeof sender || !m_senderCheck(from)) {
            continue;
        }
        ::sendto(m_socket, ACKNOWLEDGEMENT, sizeof ACKNOWLEDGEMENT - 1, 0,
                 reinterpret_cast<sockaddr*>(&sender), sizeof sender);
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
