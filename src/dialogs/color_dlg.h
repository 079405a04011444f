#pragma once

#include <QColor>
#include <QDialog>

#include <array>
#include <functional>
#include <optional>

#include "monitor/engine.h"
#include "store/display_colours.h"

class QPushButton;

namespace halvera {

class CColorButton;

// Asks for one colour, preset to the given one; nothing when the user cancels. The program
// uses QColorDialog, whose sixteen custom colours stay for the whole run.
using ColourChooser = std::function<std::optional<QColor>(const QColor& initial, QWidget* owner)>;

// The display colours: the six list colours on colour buttons, each changed through the
// colour chooser, and the two standard schemes. OK stores and saves the six colours; Cancel
// stores nothing. The caller applies the stored colours to the lists.
class CColorDlg : public QDialog {
    Q_OBJECT

  public:
    // Without a chooser the dialog uses QColorDialog.
    explicit CColorDlg(Engine& engine, QWidget* parent = nullptr, ColourChooser chooser = {});

    const DisplayColours& Pending() const { return m_pending; }
    CColorButton* ColourButton(int item) const { return m_buttons[item]; }
    QPushButton* SchemeButton(ColourScheme scheme) const;

  public slots:
    void accept() override;

  private:
    void Choose(int item);
    void LoadScheme(ColourScheme scheme);
    void ShowPending();

    Engine& m_engine;
    ColourChooser m_chooser;
    DisplayColours m_pending;
    std::array<CColorButton*, DISPLAY_COLOUR_COUNT> m_buttons{};
    QPushButton* m_lightScheme = nullptr;
    QPushButton* m_darkScheme = nullptr;
};

}  // namespace halvera
