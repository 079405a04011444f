#include "dialogs/option_register_page.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/desktop_entry.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "base/xdg_folders.h"

namespace halvera {
namespace {

void ShowInformation(Prompt& prompt, const char* text) {
    prompt.ShowMessage(Sjis(text), PromptIcon::Information, PromptButtons::Ok);
}

}  // namespace

DesktopPlaces DesktopPlaces::OfThisProgram() {
    return {QCoreApplication::applicationFilePath().toStdString(), ProgramFolder(), XdgConfigHome(),
            XdgDataHome()};
}

COptionRegisterPage::COptionRegisterPage(Prompt& prompt, DesktopPlaces places, QWidget* parent)
    : QWidget(parent), m_prompt(prompt), m_places(std::move(places)) {
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("登録"), this);
    auto* grid = new QGridLayout(group);
    m_autostart = new QPushButton(QStringLiteral("登録"), group);
    m_menu = new QPushButton(QStringLiteral("登録"), group);
    grid->addWidget(m_autostart, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("スタートアップに登録する"), group), 0, 1);
    grid->addWidget(m_menu, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("スタート　->　プログラムへ登録する"), group), 1, 1);
    grid->setColumnStretch(1, 1);
    layout->addWidget(group);
    layout->addStretch();

    connect(m_autostart, &QPushButton::clicked, this, &COptionRegisterPage::RegisterAutostartEntry);
    connect(m_menu, &QPushButton::clicked, this, &COptionRegisterPage::RegisterMenuEntry);
}

void COptionRegisterPage::RegisterAutostartEntry() {
    if (RegisterAutostart(m_places.program, m_places.configHome)) {
        ShowInformation(m_prompt, "スタートアップへ登録しました。");
    } else {
        ShowInformation(m_prompt, "スタートアップへ登録できません。");
    }
}

void COptionRegisterPage::RegisterMenuEntry() {
    if (RegisterProgramMenu(m_places.programFolder, m_places.dataHome)) {
        ShowInformation(m_prompt, "プログラムファイルへ登録しました。");
    } else {
        ShowInformation(m_prompt, "プログラムファイルへ登録できません。");
    }
}

}  // namespace halvera
