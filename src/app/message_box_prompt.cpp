#include "app/message_box_prompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "views/qt_text.h"

namespace halvera {

MessageBoxPrompt::MessageBoxPrompt(QObject* parent) : QObject(parent) {}

void MessageBoxPrompt::SetOwner(QWidget* owner) {
    m_owner = owner;
}

PromptResult MessageBoxPrompt::ShowMessage(std::string_view textCp932, PromptIcon icon,
                                           PromptButtons buttons) {
    if (QThread::currentThread() == thread()) {
        // While a modal dialog runs, only that dialog takes the user's input on the GUI thread:
        // the box comes from it, and belongs to it.
        QWidget* dialog = QApplication::activeModalWidget();
        return Show(FromCp932(textCp932), icon, buttons, dialog != nullptr ? dialog : Owner());
    }
    Request request;
    request.text = FromCp932(textCp932);
    request.icon = icon;
    request.buttons = buttons;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(&request);
    }
    QMetaObject::invokeMethod(this, "ShowRequested", Qt::QueuedConnection);
    std::unique_lock lock(m_mutex);
    m_answered.wait(lock, [&request] { return request.done; });
    return request.result;
}

void MessageBoxPrompt::ShowRequested() {
    for (;;) {
        Request* request = nullptr;
        Request question;
        {
            std::lock_guard lock(m_mutex);
            if (m_requests.empty()) {
                return;
            }
            request = m_requests.front();
            m_requests.pop_front();
            question.text = request->text;
            question.icon = request->icon;
            question.buttons = request->buttons;
        }
        // No lock is held while the box is open: other workers may ask meanwhile.
        const PromptResult result = Show(question.text, question.icon, question.buttons, Owner());
        std::lock_guard lock(m_mutex);
        request->result = result;
        request->done = true;
        m_answered.notify_all();
    }
}

QWidget* MessageBoxPrompt::Owner() const {
    return m_owner && m_owner->isVisible() ? m_owner.data() : nullptr;
}

PromptResult MessageBoxPrompt::Show(const QString& text, PromptIcon icon, PromptButtons buttons,
                                    QWidget* owner) {
    QMessageBox box(icon == PromptIcon::Stop ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromUtf8(PROMPT_CAPTION.data(), PROMPT_CAPTION.size()), text,
                    buttons == PromptButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                       : QMessageBox::Ok,
                    owner);
    return box.exec() == QMessageBox::Ok ? PROMPT_OK : PROMPT_CANCEL;
}

}  // namespace halvera
