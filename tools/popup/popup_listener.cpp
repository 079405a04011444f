#include "popup/popup_listener.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>

#include <string>

#include "base/text_codec.h"
#include "events/popup_relay.h"

namespace halvera {
namespace {

// The answer's content is not examined by the relay.
constexpr char ACKNOWLEDGEMENT[] = "OK";

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

PopupListener::PopupListener(QObject* parent) : QObject(parent) {
    connect(&m_socket, &QUdpSocket::readyRead, this, &PopupListener::ReadDatagrams);
}

bool PopupListener::Listen(quint16 port) {
    return m_socket.bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress);
}

quint16 PopupListener::Port() const {
    return m_socket.localPort();
}

void PopupListener::SetSenderCheck(SenderCheck check) {
    m_senderCheck = std::move(check);
}

void PopupListener::ReadDatagrams() {
    while (m_socket.hasPendingDatagrams()) {
        QNetworkDatagram datagram = m_socket.receiveDatagram();
        if (!datagram.isValid() || !m_senderCheck(datagram.senderAddress())) {
            continue;
        }
        m_socket.writeDatagram(ACKNOWLEDGEMENT, sizeof ACKNOWLEDGEMENT - 1,
                               datagram.senderAddress(),
                               static_cast<quint16>(datagram.senderPort()));
        QByteArray bytes = datagram.data();
        std::string_view text =
            CutCp932(std::string_view(bytes.constData(), bytes.size()), POPUP_MESSAGE_MAX);
        emit MessageArrived(QString::fromStdString(Cp932ToUtf8Lossy(text)));
    }
}

}  // namespace halvera
