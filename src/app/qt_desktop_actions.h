#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "events/desktop_actions.h"

class QSoundEffect;

namespace halvera {

// The desktop actions of the events in the Qt program. The run thread calls them; what
// needs the GUI thread (the beep, the sound player, the desktop's file opener) is posted to
// it. Executables are started directly, never through a shell. A sound counts as playing
// for the length its WAV header gives, since the player itself reports a sound as playing
// for ever where there is no audio device; a sound asked for meanwhile is skipped. Create it
// on the GUI thread.
class QtDesktopActions : public QObject, public DesktopActions {
    Q_OBJECT

  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit QtDesktopActions(QObject* parent = nullptr,
                              Clock now = &std::chrono::steady_clock::now);
    ~QtDesktopActions() override;

    void OpenFile(const std::string& path, const std::vector<std::string>& arguments) override;
    void Beep() override;
    void PlaySound(const std::string& soundFile) override;

  signals:
    // A sound file was handed to the player (on the GUI thread).
    void SoundStarted(const QString& file);

  private:
    void StartSound(const QString& file);

    Clock m_now;
    std::mutex m_mutex;
    std::chrono::steady_clock::time_point m_playingUntil{};  // guarded by m_mutex
    QSoundEffect* m_effect = nullptr;                        // GUI thread only
};

}  // namespace halvera
