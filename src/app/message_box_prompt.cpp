#include "app/message_box_prompt.h"

#include "views/qt_text.h"

#include <QMessageBox>
#include <QThread>

namespace halvera {

MessageBoxPrompt::MessageBoxPrompt(QObject* parent) : QObject(parent) {}

void MessageBoxPrompt::SetOwner(QWidget* owner) {
    m_owner = owner;
}

PromptResult MessageBoxPrompt::ShowMessage(std::string_view textCp932, PromptIcon icon,
                                           PromptButtons buttons) {
    const QString text = FromCp932(textCp932);
    if (QThread::currentThread() == thread()) {
        return Show(text, icon, buttons);
    }
    PromptResult result = PROMPT_CANCEL;
    QMetaObject::invokeMethod(
        this, [&] { result = Show(text, icon, buttons); }, Qt::BlockingQueuedConnection);
    return result;
}

PromptResult MessageBoxPrompt::Show(const QString& text, PromptIcon icon, PromptButtons buttons) {
    QWidget* owner = m_owner && m_owner->isVisible() ? m_owner.data() : nullptr;
    QMessageBox box(icon == PromptIcon::Stop ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromUtf8(PROMPT_CAPTION.data(), PROMPT_CAPTION.size()), text,
                    buttons == PromptButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                       : QMessageBox::Ok,
                    owner);
    return box.exec() == QMessageBox::Ok ? PROMPT_OK : PROMPT_CANCEL;
}

}  // namespace halvera
