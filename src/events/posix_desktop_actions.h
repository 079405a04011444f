#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "events/desktop_actions.h"

namespace halvera {

// Desktop actions without a GUI: executables are spawned directly (no shell), other files
// handed to xdg-open, sounds to aplay, the beep is the terminal bell. Every child is reaped
// by a small waiting thread so none is left as a zombie.
class PosixDesktopActions : public DesktopActions {
  public:
    void OpenFile(const std::string& path, const std::vector<std::string>& arguments) override;
    void Beep() override;
    void PlaySound(const std::string& soundFile) override;

  private:
    // Shared with the thread that waits for the player, which may outlive this object.
    std::shared_ptr<std::atomic<bool>> m_playing = std::make_shared<std::atomic<bool>>(false);
};

// Spawns argv[0] (looked up in PATH when it holds no '/') with the arguments as given, and
// returns its process id, or -1 when it could not be started. `onExit` runs on a waiting
// thread with the exit status once the child ends.
int SpawnDetached(const std::vector<std::string>& argv,
                  std::function<void(int status)> onExit = nullptr);

// The program an external file names (UTF-8): a regular file this process may execute, the
// name itself when it holds a '/', else the first such file of that name in a folder of PATH,
// as the shell's open finds programs ("logger", "notify-send"). Such a program is started
// directly with its arguments; for anything else there is none, and the file is opened with
// the desktop's default application.
std::optional<std::string> FindExecutable(const std::string& nameUtf8);

}  // namespace halvera
