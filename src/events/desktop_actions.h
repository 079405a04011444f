#pragma once

#include <string>
#include <vector>

namespace halvera {

// What an event does on the desktop: start the external file, beep, play a sound. The Qt
// program plays sounds and opens documents through Qt; the headless front end uses
// PosixDesktopActions. Texts are CP932.
class DesktopActions {
  public:
    virtual ~DesktopActions() = default;
    // Starts an executable with the given arguments, or opens any other file with the
    // desktop's default application. Results are not examined.
    virtual void OpenFile(const std::string& path, const std::vector<std::string>& arguments) = 0;
    virtual void Beep() = 0;
    // Plays a .wav file in the background; skipped while an earlier sound still plays.
    virtual void PlaySound(const std::string& soundFile) = 0;
};

}  // namespace halvera
