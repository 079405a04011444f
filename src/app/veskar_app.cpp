#include "app/veskar_app.h"

#include <QApplication>

#include "app/main_frame.h"
#include "dialogs/startup_dlg.h"
#include "views/gothic_font.h"

namespace halvera {

CVeskarApp::CVeskarApp() = default;

CVeskarApp::~CVeskarApp() = default;

bool CVeskarApp::InitInstance() {
    if (!m_instance.Claim()) {
        return false;
    }
    InstallFontSubstitutes();
    // The window may be hidden in the tray while a message box is the only visible window;
    // closing that box must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    m_context = std::make_unique<AppContext>(m_prompt);
    m_context->OpenStores();
    m_context->PrepareNetwork();
    m_frame = std::make_unique<CMainFrame>(m_context->Services());
    m_prompt.SetOwner(m_frame.get());
    QObject::connect(&m_instance, &SingleInstance::ActivationRequested, m_frame.get(),
                     &CMainFrame::BringToFront);
    QObject::connect(m_frame.get(), &CMainFrame::FrameClosed, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    CStartupDlg splash(m_context->Services(), *m_frame);
    splash.exec();
    return true;
}

int CVeskarApp::ExitInstance(int exitCode) {
    m_frame.reset();
    m_context.reset();
    return exitCode;
}

}  // namespace halvera
