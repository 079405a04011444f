#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QLocalSocket>

#include <unistd.h>
#include <utility>

#include "base/program_folder.h"
#include "lists/prompt.h"

namespace halvera {

namespace {

// How long a later start waits for the running one; it ends well within a second.
constexpr int CONNECT_WAIT_MS = 500;
const QByteArray ACTIVATE_REQUEST = "activate\n";

}  // namespace

QString SingleInstance::DefaultName() {
    // One program per user and data folder: two data folders are two monitors.
    const QByteArray folder = QByteArray::fromStdString(DataFolder().string());
    const QByteArray digest = QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex();
    return QStringLiteral("%1-%2-%3")
        .arg(QString::fromUtf8(PROMPT_CAPTION.data(), PROMPT_CAPTION.size()))
        .arg(getuid())
        .arg(QString::fromLatin1(digest.left(12)));
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name)) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
}

bool SingleInstance::Claim() {
    if (AskRunningInstance()) {
        return false;
    }
    // Nobody answers on the name: a socket file left by a program that crashed is removed.
    QLocalServer::removeServer(m_name);
    return m_server.listen(m_name);
}

bool SingleInstance::AskRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(CONNECT_WAIT_MS)) {
        return false;
    }
    socket.write(ACTIVATE_REQUEST);
    socket.waitForBytesWritten(CONNECT_WAIT_MS);
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        // Any connection is a request to come to the front; the later start closes it.
        connect(socket, &QLocalSocket::readyRead, socket, [socket] { socket->readAll(); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        emit ActivationRequested();
    }
}

}  // namespace halvera
