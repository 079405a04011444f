#pragma once

#include <memory>

#include "app/app_services.h"
#include "app/message_box_prompt.h"
#include "app/single_instance.h"
#include "lists/list_tables.h"
#include "lists/summary_banner.h"
#include "store/settings_store.h"

namespace halvera {

class CMainFrame;

// The application: owns the shared core objects, brings the program up in its order
// (single instance, settings, stores, main frame, splash) and lets it end quietly when
// another instance runs. Create it after the QApplication.
class CVeskarApp {
  public:
    CVeskarApp();
    ~CVeskarApp();
    CVeskarApp(const CVeskarApp&) = delete;
    CVeskarApp& operator=(const CVeskarApp&) = delete;

    // False when the program must end at once (another instance runs).
    bool InitInstance();
    int ExitInstance(int exitCode);

  private:
    SettingsStore m_settings;
    ListTables m_tables;
    SummaryBanner m_banner;
    MessageBoxPrompt m_prompt;
    AppServices m_services;
    SingleInstance m_instance;
    std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace halvera
