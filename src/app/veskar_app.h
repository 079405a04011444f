#pragma once

#include <memory>

#include "app/app_context.h"
#include "app/message_box_prompt.h"
#include "app/single_instance.h"
#include "base/instance_lock.h"

namespace halvera {

class CMainFrame;

// The application: brings the program up in its order (single instance, stores, main
// frame, splash) and lets it end quietly when another instance runs. Create it after the
// QApplication.
class CVeskarApp {
  public:
    CVeskarApp();
    ~CVeskarApp();
    CVeskarApp(const CVeskarApp&) = delete;
    CVeskarApp& operator=(const CVeskarApp&) = delete;

    // False when the program must end at once: another instance runs (it comes to the
    // front), or another Halvera process (halvera-cli) uses the program folder.
    bool InitInstance();
    // The exit status after InitInstance gave false: 0 when another instance was brought to
    // the front, 1 when the program folder was refused.
    int RefusalStatus() const { return m_refusalStatus; }
    int ExitInstance(int exitCode);

  private:
    bool LockDataFolder();

    MessageBoxPrompt m_prompt;
    int m_refusalStatus = 0;
    InstanceLock m_folderLock;
    std::unique_ptr<AppContext> m_context;
    SingleInstance m_instance;
    std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace halvera
