#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "lists/prompt.h"
#include "monitor/engine.h"

namespace Ui {
class CEventSettingDlg;
}

class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace halvera {

// The event settings: one row per event kind with its enabled state (a double click edits the
// kind's actions, stored at once), the sniffing and mail settings behind their buttons, and
// the nodes the actions apply to: all, or those inside the action node ranges. OK stores the
// ranges (only when they changed) and ALLEVENT, saves the settings and refreshes the settings
// information list; Cancel stores none of these.
class CEventSettingDlg : public QDialog {
    Q_OBJECT

  public:
    // openMailSettings runs the mail settings dialog with this dialog as its owner.
    CEventSettingDlg(Engine& engine, Prompt& prompt,
                     std::function<void(QWidget* owner)> openMailSettings,
                     QWidget* parent = nullptr);
    ~CEventSettingDlg() override;

    QTreeWidget* EventList() const;
    QPushButton* SniffButton() const;
    QPushButton* MailButton() const;
    QRadioButton* AllNodesButton() const;
    QRadioButton* SomeNodesButton() const;
    QTreeWidget* RangeList() const;
    QPushButton* AddButton() const;
    QPushButton* DeleteButton() const;
    bool RangesChanged() const { return m_rangesChanged; }

  public slots:
    void accept() override;

  private:
    void FillEvents();
    void FillRanges();
    void EditEvent(int kind);
    void EnableRanges(bool someNodes);
    void AddRange();
    void DeleteRanges();
    void EditSniffing();

    std::unique_ptr<Ui::CEventSettingDlg> m_ui;
    Engine& m_engine;
    Prompt& m_prompt;
    std::function<void(QWidget*)> m_openMailSettings;
    bool m_rangesChanged = false;
};

}  // namespace halvera
