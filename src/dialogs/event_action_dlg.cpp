#include "dialogs/event_action_dlg.h"

#include <QPushButton>

#include "ui_event_action_dlg.h"
#include "views/qt_text.h"

namespace halvera {
namespace {

// Positions of the enabled list's items.
constexpr int ITEM_DISABLED = 0;
constexpr int ITEM_ENABLED = 1;

}  // namespace

CEventActionDlg::CEventActionDlg(Engine& engine, Prompt& prompt, int kind, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CEventActionDlg>()),
      m_engine(engine),
      m_prompt(prompt),
      m_kind(kind) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera: Event action"));
    QFont bold = m_ui->heading->font();
    bold.setBold(true);
    m_ui->heading->setFont(bold);
    m_ui->buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    m_ui->enabled->addItem(QStringLiteral("無効"));
    m_ui->enabled->addItem(QStringLiteral("有効"));
    m_ui->formats->setPlainText(
        QStringLiteral("ノード固有の書式設定として以下の設定が可能です。\n"
                       " [ %LABEL, %IP, %MAC, %HOST, %VEN, %DATE, %TIME ]"));

    m_record = m_engine.ReadEventSettings(m_kind);
    Fill();

    // While the beep is chosen the sound file is not played, so it cannot be edited.
    connect(m_ui->beep, &QCheckBox::toggled, m_ui->sound, &QLineEdit::setDisabled);
    connect(m_ui->buttons, &QDialogButtonBox::accepted, this, &CEventActionDlg::accept);
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, &CEventActionDlg::reject);
}

CEventActionDlg::~CEventActionDlg() = default;

QComboBox* CEventActionDlg::EnabledList() const {
    return m_ui->enabled;
}
QCheckBox* CEventActionDlg::ScreenBox() const {
    return m_ui->screen;
}
QCheckBox* CEventActionDlg::LogBox() const {
    return m_ui->log;
}
QLineEdit* CEventActionDlg::MessageEdit() const {
    return m_ui->message;
}
QLineEdit* CEventActionDlg::PopupEdit() const {
    return m_ui->popup;
}
QLineEdit* CEventActionDlg::FileEdit() const {
    return m_ui->file;
}
QLineEdit* CEventActionDlg::MailEdit() const {
    return m_ui->mail;
}
QLineEdit* CEventActionDlg::SoundEdit() const {
    return m_ui->sound;
}
QCheckBox* CEventActionDlg::BeepBox() const {
    return m_ui->beep;
}
QString CEventActionDlg::FormatsText() const {
    return m_ui->formats->toPlainText();
}

void CEventActionDlg::Fill() {
    m_ui->enabled->setCurrentIndex(m_record.enabled != 0 ? ITEM_ENABLED : ITEM_DISABLED);
    m_ui->screen->setChecked(m_record.screen != 0);
    m_ui->log->setChecked(m_record.log != 0);
    m_ui->message->setText(FromCp932(m_record.message));
    m_ui->popup->setText(FromCp932(m_record.popupText));
    m_ui->file->setText(FromCp932(m_record.filePath));
    m_ui->mail->setText(FromCp932(m_record.mailText));
    m_ui->sound->setText(FromCp932(m_record.soundFile));
    m_ui->beep->setChecked(m_record.beep != 0);
    m_ui->sound->setDisabled(m_record.beep != 0);
}

EventSettings CEventActionDlg::Entered() const {
    EventSettings record;
    record.enabled = m_ui->enabled->currentIndex() == ITEM_ENABLED ? 1 : 0;
    record.screen = m_ui->screen->isChecked() ? 1 : 0;
    record.log = m_ui->log->isChecked() ? 1 : 0;
    record.message = ToCp932(m_ui->message->text());
    record.popupText = ToCp932(m_ui->popup->text());
    record.filePath = ToCp932(m_ui->file->text());
    record.mailText = ToCp932(m_ui->mail->text());
    record.soundFile = ToCp932(m_ui->sound->text());
    record.beep = m_ui->beep->isChecked() ? 1 : 0;
    return record;
}

void CEventActionDlg::accept() {
    const EventSettings record = Entered();
    const CommandResult change = m_engine.PutEventSettings(m_kind, record);
    if (change.outcome == CommandResult::REFUSED) {
        ShowStop(m_prompt, change.message);
        return;
    }
    // A record the store could not write (it has said so) keeps the dialog open, so what was
    // typed is not lost and the list does not show a state that is not stored.
    if (change.outcome == CommandResult::DONE) {
        m_record = record;
        QDialog::accept();
    }
}

}  // namespace halvera
