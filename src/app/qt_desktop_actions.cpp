#include "app/qt_desktop_actions.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

#include <utility>

#include "base/text_codec.h"
#include "events/posix_desktop_actions.h"
#include "events/wav_duration.h"

namespace halvera {

QtDesktopActions::QtDesktopActions(QObject* parent, Clock now)
    : QObject(parent), m_now(std::move(now)) {}

QtDesktopActions::~QtDesktopActions() = default;

void QtDesktopActions::OpenFile(const std::string& path,
                                const std::vector<std::string>& arguments) {
    // File names on Linux are UTF-8; the event settings keep CP932.
    std::vector<std::string> argv{Cp932ToUtf8Lossy(path)};
    if (const auto program = FindExecutable(argv.front())) {
        argv.front() = *program;
        for (const auto& argument : arguments) {
            argv.push_back(Cp932ToUtf8Lossy(argument));
        }
        SpawnDetached(argv);
        return;
    }
    const QString file = QFileInfo(QString::fromStdString(argv.front())).absoluteFilePath();
    QMetaObject::invokeMethod(
        this, [file] { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); },
        Qt::QueuedConnection);
}

void QtDesktopActions::Beep() {
    QMetaObject::invokeMethod(
        this, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

void QtDesktopActions::PlaySound(const std::string& soundFile) {
    const std::string utf8 = Cp932ToUtf8Lossy(soundFile);
    {
        std::lock_guard lock(m_mutex);
        const auto now = m_now();
        if (now < m_playingUntil) {
            return;
        }
        // A file that is no readable WAV sound plays nothing and blocks nothing.
        const auto length = WavDuration(std::filesystem::path(utf8));
        if (!length) {
            return;
        }
        m_playingUntil = now + *length;
    }
    const QString file = QFileInfo(QString::fromStdString(utf8)).absoluteFilePath();
    QMetaObject::invokeMethod(
        this, [this, file] { StartSound(file); }, Qt::QueuedConnection);
}

void QtDesktopActions::StartSound(const QString& file) {
    if (m_effect == nullptr) {
        m_effect = new QSoundEffect(this);
    }
    m_effect->stop();
    m_effect->setSource(QUrl::fromLocalFile(file));
    m_effect->play();
    emit SoundStarted(file);
}

}  // namespace halvera
