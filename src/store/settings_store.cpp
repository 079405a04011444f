#include "store/settings_store.h"

namespace halvera {

AppSettings SettingsStore::App() const {
    std::lock_guard lock(m_mutex);
    return m_app;
}

void SettingsStore::SetApp(const AppSettings& settings) {
    std::lock_guard lock(m_mutex);
    m_app = settings;
}

MailSettings SettingsStore::Mail() const {
    std::lock_guard lock(m_mutex);
    return m_mail;
}

void SettingsStore::SetMail(const MailSettings& settings) {
    std::lock_guard lock(m_mutex);
    m_mail = settings;
}

}  // namespace halvera
