#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <condition_variable>
#include <deque>
#include <mutex>

#include "lists/prompt.h"

namespace halvera {

// The Qt side of the Prompt port: a message box with the program's caption, the stop icon
// (Critical) or the information icon. Called on the GUI thread it shows the box at once, owned
// by the modal dialog that runs, if any; called from a worker it has the GUI thread show the
// box and blocks only that worker until the user answers. Create it on the GUI thread.
class MessageBoxPrompt : public QObject, public Prompt {
    Q_OBJECT

  public:
    explicit MessageBoxPrompt(QObject* parent = nullptr);

    // The window the boxes belong to while it is visible and no dialog owns them (the main
    // frame).
    void SetOwner(QWidget* owner);

    PromptResult ShowMessage(std::string_view textCp932, PromptIcon icon,
                             PromptButtons buttons) override;

  private slots:
    // Shows the boxes workers asked for (on the GUI thread).
    void ShowRequested();

  private:
    // One worker's question, on its stack while it waits. m_mutex hands it to the GUI
    // thread and the answer back.
    struct Request {
        QString text;
        PromptIcon icon = PromptIcon::Stop;
        PromptButtons buttons = PromptButtons::Ok;
        bool done = false;
        PromptResult result = PROMPT_CANCEL;
    };

    // The main window while it is visible, else none.
    QWidget* Owner() const;
    PromptResult Show(const QString& text, PromptIcon icon, PromptButtons buttons, QWidget* owner);

    QPointer<QWidget> m_owner;
    std::mutex m_mutex;
    std::condition_variable m_answered;
    std::deque<Request*> m_requests;
};

}  // namespace halvera
