#include "dialogs/mail_setting_dlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QThread>

#include <atomic>
#include <iterator>

#include "base/text_codec.h"
#include "store/mail_settings_check.h"
#include "ui_mail_setting_dlg.h"
#include "views/qt_text.h"

namespace halvera {
namespace {

// The usual port of each protection: plain SMTP, submission with STARTTLS, SMTP over TLS.
constexpr int USUAL_PORTS[] = {MAIL_DEFAULT_PORT, 587, 465};

}  // namespace

CMailSettingDlg::CMailSettingDlg(Engine& engine, Prompt& prompt, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CMailSettingDlg>()),
      m_engine(engine),
      m_prompt(prompt) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera: Mail"));
    QFont bold = m_ui->heading->font();
    bold.setBold(true);
    m_ui->heading->setFont(bold);
    CancelButton()->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    // Every field goes into an SMTP or POP command line or a line of the registry file: a
    // pasted line break would end the command early and start one of its own.
    auto* oneLine = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^\\x{0}-\\x{1F}\\x{7F}]*")), this);
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        edit->setValidator(oneLine);
    }
    Fill(m_engine.Settings().Mail());

    connect(m_ui->popAuth, &QCheckBox::toggled, this, &CMailSettingDlg::EnablePopFields);
    connect(m_ui->smtpAuth, &QComboBox::currentIndexChanged, this,
            &CMailSettingDlg::EnableAuthFields);
    connect(m_ui->security, &QComboBox::currentIndexChanged, this,
            &CMailSettingDlg::FollowSecurity);
    connect(m_ui->test, &QPushButton::clicked, this, &CMailSettingDlg::StartTestSend);
    connect(m_ui->buttons, &QDialogButtonBox::accepted, this, &CMailSettingDlg::accept);
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, &CMailSettingDlg::reject);
}

CMailSettingDlg::~CMailSettingDlg() = default;

QLineEdit* CMailSettingDlg::SmtpServerEdit() const {
    return m_ui->smtpServer;
}
QLineEdit* CMailSettingDlg::SenderEdit() const {
    return m_ui->adrFrom;
}
QLineEdit* CMailSettingDlg::RecipientEdit(int slot) const {
    return slot == 1 ? m_ui->adrTo1 : slot == 2 ? m_ui->adrTo2 : m_ui->adrTo3;
}
QCheckBox* CMailSettingDlg::PopBox() const {
    return m_ui->popAuth;
}
QLineEdit* CMailSettingDlg::PopServerEdit() const {
    return m_ui->popServer;
}
QLineEdit* CMailSettingDlg::UserIdEdit() const {
    return m_ui->userId;
}
QLineEdit* CMailSettingDlg::PasswordEdit() const {
    return m_ui->password;
}
QLineEdit* CMailSettingDlg::SubjectEdit() const {
    return m_ui->subject;
}
QSpinBox* CMailSettingDlg::SmtpPortBox() const {
    return m_ui->smtpPort;
}
QComboBox* CMailSettingDlg::SecurityBox() const {
    return m_ui->security;
}
QComboBox* CMailSettingDlg::SmtpAuthBox() const {
    return m_ui->smtpAuth;
}
QLineEdit* CMailSettingDlg::AuthUserEdit() const {
    return m_ui->authUser;
}
QLineEdit* CMailSettingDlg::AuthPasswordEdit() const {
    return m_ui->authPassword;
}
QPushButton* CMailSettingDlg::TestButton() const {
    return m_ui->test;
}
QPushButton* CMailSettingDlg::OkButton() const {
    return m_ui->buttons->button(QDialogButtonBox::Ok);
}
QPushButton* CMailSettingDlg::CancelButton() const {
    return m_ui->buttons->button(QDialogButtonBox::Cancel);
}

void CMailSettingDlg::Fill(const MailSettings& settings) {
    m_ui->smtpServer->setText(FromCp932(settings.smtpserver));
    m_ui->adrFrom->setText(FromCp932(settings.adrfrom));
    m_ui->adrTo1->setText(FromCp932(settings.adrto1));
    m_ui->adrTo2->setText(FromCp932(settings.adrto2));
    m_ui->adrTo3->setText(FromCp932(settings.adrto3));
    m_ui->popServer->setText(FromCp932(settings.popserver));
    m_ui->userId->setText(FromCp932(settings.userid));
    m_ui->password->setText(FromCp932(settings.passward));
    m_ui->subject->setText(FromCp932(settings.subject));
    m_ui->popAuth->setChecked(settings.pop == 1);
    EnablePopFields(settings.pop == 1);
    m_security = settings.security;
    m_ui->security->setCurrentIndex(settings.security);
    m_ui->smtpPort->setValue(settings.smtpport);
    m_ui->smtpAuth->setCurrentIndex(settings.smtpauth);
    m_ui->authUser->setText(FromCp932(settings.authuser));
    m_ui->authPassword->setText(FromCp932(settings.authpass));
    EnableAuthFields(settings.smtpauth);
}

MailSettings CMailSettingDlg::Entry() const {
    MailSettings entry;
    entry.smtpserver = ToCp932(m_ui->smtpServer->text());
    entry.adrfrom = ToCp932(m_ui->adrFrom->text());
    entry.adrto1 = ToCp932(m_ui->adrTo1->text());
    entry.adrto2 = ToCp932(m_ui->adrTo2->text());
    entry.adrto3 = ToCp932(m_ui->adrTo3->text());
    entry.pop = m_ui->popAuth->isChecked() ? 1 : 0;
    entry.popserver = ToCp932(m_ui->popServer->text());
    entry.userid = ToCp932(m_ui->userId->text());
    entry.passward = ToCp932(m_ui->password->text());
    entry.subject = ToCp932(m_ui->subject->text());
    entry.smtpport = m_ui->smtpPort->value();
    entry.security = m_ui->security->currentIndex();
    entry.smtpauth = m_ui->smtpAuth->currentIndex();
    entry.authuser = ToCp932(m_ui->authUser->text());
    entry.authpass = ToCp932(m_ui->authPassword->text());
    return entry;
}

void CMailSettingDlg::EnablePopFields(bool enabled) {
    m_ui->popServer->setEnabled(enabled);
    m_ui->userId->setEnabled(enabled);
    m_ui->password->setEnabled(enabled);
}

void CMailSettingDlg::EnableAuthFields(int auth) {
    m_ui->authUser->setEnabled(auth != MAIL_AUTH_NONE);
    m_ui->authPassword->setEnabled(auth != MAIL_AUTH_NONE);
}

// A port still at the usual one of the protection chosen before follows the new choice; a
// port the user typed stays.
void CMailSettingDlg::FollowSecurity(int security) {
    const int count = static_cast<int>(std::size(USUAL_PORTS));
    if (m_security >= 0 && m_security < count && security >= 0 && security < count &&
        m_ui->smtpPort->value() == USUAL_PORTS[m_security]) {
        m_ui->smtpPort->setValue(USUAL_PORTS[security]);
    }
    m_security = security;
}

void CMailSettingDlg::accept() {
    if (m_sending) {
        return;
    }
    if (const CommandResult stored = m_engine.StoreMailSettings(Entry(), MAIL_CHECK_SIZES);
        !stored.Done()) {
        ShowStop(m_prompt, stored.message);
        return;
    }
    // A registry file that cannot be written is in the error log; the dialog closes as
    // after a save.
    m_engine.SaveMailSettings();
    QDialog::accept();
}

void CMailSettingDlg::reject() {
    // The test mail's result still has to be shown, and by this window.
    if (!m_sending) {
        QDialog::reject();
    }
}

void CMailSettingDlg::StartTestSend() {
    if (m_sending) {
        return;
    }
    if (const CommandResult checked = m_engine.StoreMailSettings(Entry(), MAIL_CHECK_FOR_SENDING);
        !checked.Done()) {
        ShowStop(m_prompt, checked.message);
        return;
    }
    m_sending = true;
    EnableButtons(false);
    // The SMTP dialogue can take as long as the mail sender's time limits: it runs on a
    // thread of its own, which shows its failures through the prompt, and the result comes
    // back to this window through the thread's finished signal.
    auto result = std::make_shared<std::atomic<int>>(1);
    QThread* sender = QThread::create(
        [&engine = m_engine, result] { result->store(engine.SendTestMail().Done() ? 0 : 1); });
    connect(sender, &QThread::finished, sender, &QObject::deleteLater);
    connect(sender, &QThread::finished, this, [this, result] { FinishTestSend(result->load()); });
    sender->start();
}

void CMailSettingDlg::FinishTestSend(int result) {
    if (result == 0) {
        m_prompt.ShowMessage(Sjis(TEST_MAIL_SENT), PromptIcon::Information, PromptButtons::Ok);
    }
    EnableButtons(true);
    m_sending = false;
}

void CMailSettingDlg::EnableButtons(bool enabled) {
    m_ui->test->setEnabled(enabled);
    OkButton()->setEnabled(enabled);
    CancelButton()->setEnabled(enabled);
}

}  // namespace halvera
