#include "app/app_context.h"

#include <utility>

namespace halvera {

AppContext::AppContext(Prompt& prompt) : AppContext(prompt, Options{}) {}

AppContext::AppContext(Prompt& prompt, Options options)
    : m_popupOptions(options.popup),
      m_engine({prompt, m_popup, m_desktop}, std::move(options.engine)),
      m_services(m_engine, prompt) {
    // No run is left to raise a popup once the engine has closed.
    m_services.afterClose = [this] {
        if (m_popupRelay) {
            m_popupRelay->EndPopupProgram();
        }
    };
}

AppContext::~AppContext() = default;

void AppContext::OpenStores() {
    m_engine.Open();
}

void AppContext::PrepareNetwork() {
    m_engine.PrepareRuns();
    // The own address as the last range search or list refresh read it. Without an adapter
    // (or the rights to read it) popups still reach the popup program, which listens on the
    // loopback address as on every own one.
    const auto popupAddress = [this] {
        const Ipv4 ownAddress = m_engine.LocalAdapter().ownAddress;
        return ownAddress != 0 ? ownAddress : MakeIp(127, 0, 0, 1);
    };
    m_popupRelay = std::make_unique<PopupRelay>(popupAddress, m_engine.Logs(), m_popupOptions);
    m_popupRelay->InitPopupRelay();
    m_popup.SetTarget(m_popupRelay.get());
}

}  // namespace halvera
