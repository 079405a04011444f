#pragma once

#include <QHostAddress>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <sys/types.h>

#include <QList>

#include <functional>
#include <memory>
#include <vector>

namespace halvera {

// True for an address of this host: a loopback address or one of its interfaces'.
bool IsOwnAddress(const QHostAddress& address);

// Why Listen could not take the port.
struct ListenFailure {
    QHostAddress address;  // the address the port could not be bound on
    int error = 0;         // errno of the bind
    bool otherUser = false;
    uid_t holder = 0;  // with otherUser: the user whose socket holds it
};

// Receives the popup messages of Halvera's popup relay: one Shift_JIS text a datagram on
// the popup port of each IPv4 address of the host and of the loopback address, never of
// the wildcard address, so that other users' programs can tell the port is taken by
// address. Only a datagram that a socket of this program's own user sent from this host is
// answered (at once: the relay repeats a message it sees no answer to) and shown; every other
// one is dropped unanswered and counted, and the next answer to the own user tells the count.
// A datagram whose IP type of service is the relay's critical mark carries a critical message.
class PopupListener : public QObject {
    Q_OBJECT

  public:
    using SenderCheck = std::function<bool(const QHostAddress&)>;
    // At most this many datagrams are read in one turn of the event loop: a flood must not
    // keep the loop from freeing closed windows and from drawing.
    static constexpr int READ_BATCH = 64;
    // How often the host's addresses are looked at again: one that came later (a new lease,
    // another adapter) gets the port too.
    static constexpr int ADDRESS_CHECK_MS = 2000;

    explicit PopupListener(QObject* parent = nullptr);
    ~PopupListener() override;
    PopupListener(const PopupListener&) = delete;
    PopupListener& operator=(const PopupListener&) = delete;

    // Takes the port on every own address for this program alone (port 0: a free port, the
    // same on each address). False when it is in use or cannot be bound on any of them;
    // Failure() tells where and why.
    bool Listen(quint16 port);
    quint16 Port() const;
    const ListenFailure& Failure() const { return m_failure; }
    // Replaces the check of the sender's address (IsOwnAddress).
    void SetSenderCheck(SenderCheck check);
    // Datagrams dropped since the start because no socket of this user on this host sent them.
    long long Dropped() const { return m_dropped; }

  signals:
    void MessageArrived(const QString& text, bool critical);

  private:
    struct Endpoint {
        int socket = -1;
        std::unique_ptr<QSocketNotifier> notifier;
    };

    bool Bind(quint32 ip, quint16 port);
    void Watch(Endpoint& endpoint);
    void BindNewAddresses();
    void ReadDatagrams(int socket);

    // Sockets of our own rather than QUdpSocket, which does not hand out the type of
    // service a datagram came with.
    std::vector<Endpoint> m_endpoints;
    QList<quint32> m_addresses;  // host order, as bound
    QTimer m_addressCheck;
    SenderCheck m_senderCheck = IsOwnAddress;
    ListenFailure m_failure;
    long long m_dropped = 0;
    long long m_untold = 0;  // dropped since the last answer to the own user
};

}  // namespace halvera
