#pragma once

#include <mutex>

#include "store/app_settings.h"
#include "store/mail_settings.h"

namespace halvera {

// The process-wide settings records. The run thread reads them while a dialog on the GUI
// thread replaces them, so each read is a whole copy taken under the lock.
class SettingsStore {
  public:
    AppSettings App() const;
    void SetApp(const AppSettings& settings);
    MailSettings Mail() const;
    void SetMail(const MailSettings& settings);

  private:
    mutable std::mutex m_mutex;
    AppSettings m_app;
    MailSettings m_mail;
};

}  // namespace halvera
