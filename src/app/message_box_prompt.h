#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "lists/prompt.h"

namespace halvera {

// The Qt side of the Prompt port: a message box with the program's caption, the stop icon
// (Critical) or the information icon. Called on the GUI thread it shows the box at once;
// called from a worker it runs the box on the GUI thread and blocks only that worker until
// the user answers. Create it on the GUI thread.
class MessageBoxPrompt : public QObject, public Prompt {
    Q_OBJECT

  public:
    explicit MessageBoxPrompt(QObject* parent = nullptr);

    // The window the boxes belong to while it is visible (the main frame).
    void SetOwner(QWidget* owner);

    PromptResult ShowMessage(std::string_view textCp932, PromptIcon icon,
                             PromptButtons buttons) override;

  private:
    PromptResult Show(const QString& text, PromptIcon icon, PromptButtons buttons);

    QPointer<QWidget> m_owner;
};

}  // namespace halvera
