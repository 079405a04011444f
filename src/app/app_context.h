#pragma once

#include <memory>

#include "app/app_services.h"
#include "app/qt_desktop_actions.h"
#include "events/popup_forwarder.h"
#include "events/popup_relay.h"
#include "monitor/monitor_engine.h"

namespace halvera {

// The running program's monitor engine with what the Qt program adds to it: the desktop
// actions, the popup relay, and the services the windows reach them by. The application
// object brings them up in the start-up order and the main frame takes them down at
// shutdown. Create it on the GUI thread.
class AppContext {
  public:
    struct Options {
        // The registry file and the packet driver; the program's own when left alone.
        MonitorEngineOptions engine;
        PopupRelayOptions popup;
    };

    // prompt: where the stores ask and report (message boxes in the program).
    AppContext(Prompt& prompt, Options options);
    explicit AppContext(Prompt& prompt);
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    // Start-up before the main frame: the engine's working folders, settings, node database
    // (existing files kept), search ranges and logs, then the settings information list.
    // Failures are reported by the stores; start-up goes on with what could be opened.
    void OpenStores();
    // While the main frame is created: reads the own adapter (after the raw socket check),
    // prepares the popup relay for the own address and loads the polling countdowns.
    void PrepareNetwork();

    AppServices& Services() { return m_services; }
    MonitorEngine& Monitor() { return m_engine; }

  private:
    PopupRelayOptions m_popupOptions;
    QtDesktopActions m_desktop;
    PopupForwarder m_popup;
    // Made once the own address is known; it outlives the engine, whose runs raise popups
    // until the engine has closed.
    std::unique_ptr<PopupRelay> m_popupRelay;
    MonitorEngine m_engine;
    AppServices m_services;
};

}  // namespace halvera
