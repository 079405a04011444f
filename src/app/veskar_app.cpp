#include "app/veskar_app.h"

#include <QApplication>

#include <string>

#include "app/main_frame.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
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
    if (!LockDataFolder()) {
        m_refusalStatus = 1;
        return false;
    }
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

    CStartupDlg splash(m_context->Monitor(), *m_frame);
    splash.exec();
    return true;
}

bool CVeskarApp::LockDataFolder() {
    if (m_folderLock.Acquire(DataFolder())) {
        return true;
    }
    // The data files of one folder never have writers in two processes.
    std::string text = m_folderLock.Error().empty()
                           ? Sjis("別の Halvera のプロセスがプログラムフォルダを使用しています。")
                           : Sjis("プログラムフォルダをロックできません。");
    if (m_folderLock.HolderPid() > 0) {
        text += " (pid " + std::to_string(m_folderLock.HolderPid()) + ")";
    }
    ShowStop(m_prompt, text + "\r\n" + Utf8ToCp932Lossy(DataFolder().string()));
    return false;
}

int CVeskarApp::ExitInstance(int exitCode) {
    m_frame.reset();
    m_context.reset();
    return exitCode;
}

}  // namespace halvera
