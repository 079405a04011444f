#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace halvera {

// One running program per user. The first start listens on a local socket named after the
// product text; a later start connects, asks the first to come to the front and ends.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    // The socket name of the current user's program.
    static QString DefaultName();

    explicit SingleInstance(QString name = DefaultName(), QObject* parent = nullptr);

    // True when this process is the first and now listens. False when another instance
    // runs (it has been asked to come to the front) or the socket cannot be made.
    bool Claim();

  signals:
    // A later start asked this instance to bring its window to the front.
    void ActivationRequested();

  private:
    bool AskRunningInstance();
    void OnNewConnection();

    QString m_name;
    QLocalServer m_server;
};

}  // namespace halvera
