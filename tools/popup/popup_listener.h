#pragma once

#include <QHostAddress>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <functional>
#include <memory>

namespace halvera {

// True for an address of this host: a loopback address or one of its interfaces'.
bool IsOwnAddress(const QHostAddress& address);

// Receives the popup messages of Halvera's popup relay: one Shift_JIS text a datagram on
// the popup port of every IPv4 address of the host. Every datagram from this host is
// answered at once (the relay repeats a message it sees no answer to); a datagram from any
// other host is dropped unanswered and unshown. A datagram whose IP type of service is the
// relay's critical mark carries a critical message.
class PopupListener : public QObject {
    Q_OBJECT

  public:
    using SenderCheck = std::function<bool(const QHostAddress&)>;

    explicit PopupListener(QObject* parent = nullptr);
    ~PopupListener() override;
    PopupListener(const PopupListener&) = delete;
    PopupListener& operator=(const PopupListener&) = delete;

    // Takes the port for this program alone. False when it is in use or cannot be bound.
    bool Listen(quint16 port);
    quint16 Port() const;
    // Replaces the check of the sender's address (IsOwnAddress).
    void SetSenderCheck(SenderCheck check);

  signals:
    void MessageArrived(const QString& text, bool critical);

  private:
    void ReadDatagrams();

    // A socket of our own rather than QUdpSocket, which does not hand out the type of
    // service a datagram came with.
    int m_socket = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    SenderCheck m_senderCheck = IsOwnAddress;
};

}  // namespace halvera
