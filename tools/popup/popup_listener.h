#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QUdpSocket>

#include <functional>

namespace halvera {

// True for an address of this host: a loopback address or one of its interfaces'.
bool IsOwnAddress(const QHostAddress& address);

// Receives the popup messages of Halvera's popup relay: one Shift_JIS text a datagram on
// the popup port of every IPv4 address of the host. Every datagram from this host is
// answered at once (the relay repeats a message it sees no answer to); a datagram from any
// other host is dropped unanswered and unshown.
class PopupListener : public QObject {
    Q_OBJECT

  public:
    using SenderCheck = std::function<bool(const QHostAddress&)>;

    explicit PopupListener(QObject* parent = nullptr);

    // Takes the port for this program alone. False when it is in use or cannot be bound.
    bool Listen(quint16 port);
    quint16 Port() const;
    // Replaces the check of the sender's address (IsOwnAddress).
    void SetSenderCheck(SenderCheck check);

  signals:
    void MessageArrived(const QString& text);

  private:
    void ReadDatagrams();

    QUdpSocket m_socket;
    SenderCheck m_senderCheck = IsOwnAddress;
};

}  // namespace halvera
