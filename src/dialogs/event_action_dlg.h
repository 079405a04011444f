#pragma once

#include <QDialog>

#include <memory>

#include "lists/prompt.h"
#include "monitor/engine.h"

namespace Ui {
class CEventActionDlg;
}

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace halvera {

// The actions of one event kind: enabled, screen and log output with their message, popup,
// external file, mail, beep or sound. OK checks the texts in the dialog's order and writes
// the kind's record at once when all pass; a refused text keeps the dialog open with its
// message and stores nothing.
class CEventActionDlg : public QDialog {
    Q_OBJECT

  public:
    CEventActionDlg(Engine& engine, Prompt& prompt, int kind, QWidget* parent = nullptr);
    ~CEventActionDlg() override;

    // The record as stored by OK (as read before).
    const EventSettings& Record() const { return m_record; }

    QComboBox* EnabledList() const;
    QCheckBox* ScreenBox() const;
    QCheckBox* LogBox() const;
    QLineEdit* MessageEdit() const;
    QLineEdit* PopupEdit() const;
    QLineEdit* FileEdit() const;
    QLineEdit* MailEdit() const;
    QLineEdit* SoundEdit() const;
    QCheckBox* BeepBox() const;
    QString FormatsText() const;

  public slots:
    void accept() override;

  private:
    void Fill();
    EventSettings Entered() const;

    std::unique_ptr<Ui::CEventActionDlg> m_ui;
    Engine& m_engine;
    Prompt& m_prompt;
    int m_kind;
    EventSettings m_record;
};

}  // namespace halvera
