#include "app/app_context.h"

#include <utility>

#include "events/settings_summary.h"
#include "store/settings_files.h"

namespace halvera {

AppContext::AppContext(Prompt& prompt) : AppContext(prompt, Options{}) {}

AppContext::AppContext(Prompt& prompt, Options options)
    : m_popupOptions(options.popup),
      m_banner(m_tables.nodeList,
               [this] {
                   const AppSettings settings = m_settings.App();
                   return PollingState{settings.NEWENABLE != 0, settings.LOOKENABLE != 0};
               }),
      m_engine(m_settings, m_tables, m_banner, {prompt, m_popup, m_desktop},
               std::move(options.engine)),
      m_nodeFile(m_engine.Nodes()),
      m_eventLogDeleter(m_engine.Logs(), LogKind::Event),
      m_errorLogDeleter(m_engine.Logs(), LogKind::Error),
      m_nodeLoader(m_tables.nodeList, m_engine.Nodes(), m_settings),
      m_eventLogLoader(m_engine.Logs(), LogKind::Event),
      m_errorLogLoader(m_engine.Logs(), LogKind::Error),
      m_services(m_settings, m_tables, m_banner, prompt) {
    WireServices();
}

AppContext::~AppContext() = default;

void AppContext::WireServices() {
    m_services.resolver = &m_engine.Resolver();
    m_services.localAdapter = [this] { return m_engine.LocalAdapter(); };
    m_services.nodeFile = &m_nodeFile;
    m_services.eventLogDeleter = &m_eventLogDeleter;
    m_services.errorLogDeleter = &m_errorLogDeleter;
    m_services.loaders = {&m_nodeLoader, &m_eventLogLoader, &m_errorLogLoader};
    m_services.fileBusy = {[this] { return m_engine.IsFileBusy(); }};
    m_services.saveSettings = [this] { SaveAppSettings(); };
    m_services.closeStores = [this] { CloseStores(); };
    m_services.refreshSettingsSummary = [this] { RefreshSettingsSummary(); };
}

void AppContext::OpenStores() {
    m_engine.Open();
    RefreshSettingsSummary();
}

void AppContext::PrepareNetwork() {
    m_engine.ReadLocalAdapter();
    // Without an adapter (or the rights to read it) popups still reach the popup program,
    // which listens on every address of this host.
    const Ipv4 ownAddress = m_engine.LocalAdapter().ownAddress;
    const Ipv4 popupAddress = ownAddress != 0 ? ownAddress : MakeIp(127, 0, 0, 1);
    m_popupRelay = std::make_unique<PopupRelay>(popupAddress, m_engine.Logs(), m_popupOptions);
    m_popupRelay->InitPopupRelay();
    m_popup.SetTarget(m_popupRelay.get());

    m_engine.Runs().LoadCountdowns();
    m_services.runs = &m_engine.Runs();
}

void AppContext::SaveAppSettings() {
    SaveSettings(SAVE_APP_SETTINGS, m_settings, m_engine.Registry(), m_engine.Logs());
}

void AppContext::CloseStores() {
    // The frame closes only once no run is active, so no run is cut short here.
    m_engine.Close();
    // No run is left to raise a popup.
    if (m_popupRelay) {
        m_popupRelay->EndPopupProgram();
    }
}

void AppContext::RefreshSettingsSummary() {
    halvera::RefreshSettingsSummary(m_tables.settingsInfo, m_settings, m_engine.SearchRanges(),
                                    m_engine.ActionRanges(), m_engine.EventSettings());
}

}  // namespace halvera
