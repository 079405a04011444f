#pragma once

#include <QWidget>

#include <filesystem>

#include "lists/prompt.h"

class QPushButton;

namespace halvera {

// Where the register page's desktop entries point and go.
struct DesktopPlaces {
    std::filesystem::path program;        // the running executable, for the autostart entry
    std::filesystem::path programFolder;  // the program folder, for the menu entry
    std::filesystem::path configHome;     // $XDG_CONFIG_HOME
    std::filesystem::path dataHome;       // $XDG_DATA_HOME

    // The running program's places.
    static DesktopPlaces OfThisProgram();
};

// The "登録" page of the options: the autostart entry and the menu entry of the program.
class COptionRegisterPage : public QWidget {
    Q_OBJECT

  public:
    COptionRegisterPage(Prompt& prompt, DesktopPlaces places, QWidget* parent = nullptr);

    QPushButton* AutostartButton() const { return m_autostart; }
    QPushButton* MenuButton() const { return m_menu; }

  private:
    void RegisterAutostartEntry();
    void RegisterMenuEntry();

    Prompt& m_prompt;
    DesktopPlaces m_places;
    QPushButton* m_autostart = nullptr;
    QPushButton* m_menu = nullptr;
};

}  // namespace halvera
