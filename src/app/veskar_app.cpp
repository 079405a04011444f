#include "app/veskar_app.h"

#include <QApplication>

#include "app/main_frame.h"
#include "base/program_folder.h"
#include "dialogs/startup_dlg.h"
#include "views/gothic_font.h"

namespace halvera {

CVeskarApp::CVeskarApp()
    : m_banner(m_tables.nodeList,
               [this] {
                   const AppSettings settings = m_settings.App();
                   return PollingState{settings.NEWENABLE != 0, settings.LOOKENABLE != 0};
               }),
      m_services(m_settings, m_tables, m_banner, m_prompt) {}

CVeskarApp::~CVeskarApp() = default;

bool CVeskarApp::InitInstance() {
    if (!m_instance.Claim()) {
        return false;
    }
    InstallFontSubstitutes();
    // The window may be hidden in the tray while a message box is the only visible window;
    // closing that box must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    CreateWorkingFolders();

    m_frame = std::make_unique<CMainFrame>(m_services);
    m_prompt.SetOwner(m_frame.get());
    QObject::connect(&m_instance, &SingleInstance::ActivationRequested, m_frame.get(),
                     &CMainFrame::BringToFront);
    QObject::connect(m_frame.get(), &CMainFrame::FrameClosed, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    CStartupDlg splash(m_services, *m_frame);
    splash.exec();
    return true;
}

int CVeskarApp::ExitInstance(int exitCode) {
    m_frame.reset();
    return exitCode;
}

}  // namespace halvera
