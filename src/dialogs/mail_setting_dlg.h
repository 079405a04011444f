#pragma once

#include <QDialog>

#include <memory>

#include "lists/prompt.h"
#include "monitor/engine.h"
#include "store/mail_settings.h"

namespace Ui {
class CMailSettingDlg;
}

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QPushButton;

namespace halvera {

// The mail settings: SMTP server, sender, three recipients, POP before SMTP with its server,
// user ID and password, and the subject of event mail; below them, in a group of their own,
// the SMTP port, the connection's protection (none, STARTTLS, TLS from the start) and SMTP
// authentication with its user and password. OK checks and stores the fields and
// saves them to the user's registry file; a refused field shows its message and keeps the
// dialog open (the fields before it are already in the settings in memory, as with a test
// send). The test send checks the fields as a mail needs them and sends the test mail on a
// thread of its own, so the window keeps drawing; meanwhile its three buttons are disabled
// and it cannot be closed.
class CMailSettingDlg : public QDialog {
    Q_OBJECT

  public:
    CMailSettingDlg(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);
    ~CMailSettingDlg() override;

    QLineEdit* SmtpServerEdit() const;
    QLineEdit* SenderEdit() const;
    // Recipient 1, 2 or 3.
    QLineEdit* RecipientEdit(int slot) const;
    QCheckBox* PopBox() const;
    QLineEdit* PopServerEdit() const;
    QLineEdit* UserIdEdit() const;
    QLineEdit* PasswordEdit() const;
    QLineEdit* SubjectEdit() const;
    QSpinBox* SmtpPortBox() const;
    QComboBox* SecurityBox() const;
    QComboBox* SmtpAuthBox() const;
    QLineEdit* AuthUserEdit() const;
    QLineEdit* AuthPasswordEdit() const;
    QPushButton* TestButton() const;
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;
    // True from the test send's start until its result has been shown.
    bool IsSending() const { return m_sending; }

  public slots:
    void accept() override;
    void reject() override;

  private:
    void Fill(const MailSettings& settings);
    MailSettings Entry() const;
    void EnablePopFields(bool enabled);
    void EnableAuthFields(int auth);
    void FollowSecurity(int security);
    void StartTestSend();
    void FinishTestSend(int result);
    void EnableButtons(bool enabled);

    std::unique_ptr<Ui::CMailSettingDlg> m_ui;
    Engine& m_engine;
    Prompt& m_prompt;
    bool m_sending = false;
    int m_security = 0;
};

}  // namespace halvera
