#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace halvera::test {

// An X server of the test's own (Xvfb on the first free display number from 90), so tests
// that need a real window system never touch the user's display; optionally with a system
// tray (trayer, in the bottom right corner) on it. Both end with the object.
class XvfbDisplay {
  public:
    explicit XvfbDisplay(bool withTray);
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // False when no server could be started; Error() says why.
    bool Ready() const { return m_server != nullptr; }
    const std::string& Error() const { return m_error; }
    // ":N"
    const std::string& Name() const { return m_name; }
    // What a program needs to show its windows here: DISPLAY, and Qt's xcb platform.
    std::vector<std::string> Environment() const;
    // Starts the tray (when the constructor did not): a panel that comes after the program.
    void StartTray();
    // Runs an X client (xdotool, xwininfo) on this display to its end; its exit code.
    int Run(const std::vector<std::string>& argv) const;
    // Runs an X client to its end; what it wrote to its standard output.
    std::string Output(const std::vector<std::string>& argv) const;

  private:
    bool StartServer(int display);

    std::string m_name;
    std::string m_error;
    std::unique_ptr<ChildProcess> m_server;
    std::unique_ptr<ChildProcess> m_tray;
};

}  // namespace halvera::test
