#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include "lists/summary_banner.h"

class QSystemTrayIcon;

namespace halvera {

// Keeps the tray icon with the banner: its tooltip shows the banner's node counts below the
// program's name, and while a sniffing node is listed the icon is the sniffing variant, so
// a hidden window still tells at a glance. A progress line of a run keeps the last counts.
class TrayStatus : public QObject {
    Q_OBJECT

  public:
    TrayStatus(QSystemTrayIcon& tray, SummaryBanner& banner, QString title,
               QObject* parent = nullptr);
    ~TrayStatus() override;
    TrayStatus(const TrayStatus&) = delete;
    TrayStatus& operator=(const TrayStatus&) = delete;

  private:
    void Update();

    QSystemTrayIcon& m_tray;
    SummaryBanner& m_banner;
    QString m_title;
    QIcon m_normal;
    QIcon m_sniffing;
    bool m_showsSniffing = false;
    int m_listener = 0;
};

}  // namespace halvera
