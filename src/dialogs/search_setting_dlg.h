#pragma once

#include <QDialog>

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "lists/prompt.h"
#include "monitor/engine.h"

namespace Ui {
class CSearchSettingDlg;
}

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace halvera {

// The search settings: the adapter, the two polling kinds with interval and unit, whether
// stopped nodes leave the node list, the probe time-out and retries, and the search ranges.
// Nothing is stored before OK; OK stores everything or, when a field is refused, nothing
// and stays open with the field's message.
class CSearchSettingDlg : public QDialog {
    Q_OBJECT

  public:
    CSearchSettingDlg(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);
    ~CSearchSettingDlg() override;

    QComboBox* AdapterList() const;
    // Below the adapters: the fix for a user who may not search, hidden for one who may.
    QLabel* RightsHint() const;
    QCheckBox* NewEnableBox() const;
    QLineEdit* NewTimeEdit() const;
    QComboBox* NewUnitList() const;
    QCheckBox* LookEnableBox() const;
    QLineEdit* LookTimeEdit() const;
    QComboBox* LookUnitList() const;
    QCheckBox* NodeDispBox() const;
    QLineEdit* TimeoutEdit() const;
    QLineEdit* RetryEdit() const;
    QLineEdit* SendRateEdit() const;
    QTreeWidget* RangeList() const;
    QPushButton* AddButton() const;
    QPushButton* DeleteButton() const;
    bool RangesChanged() const { return m_rangesChanged; }

  public slots:
    void accept() override;

  private:
    void FillAdapters();
    void FillPolling();
    void FillRanges();
    void AddRange();
    void DeleteRanges();
    SearchSettingsEntry Entry() const;
    // The fields of the numbers whose range the settings schema holds, by their key.
    std::vector<std::pair<std::string_view, QLineEdit*>> NumberEdits() const;

    std::unique_ptr<Ui::CSearchSettingDlg> m_ui;
    Engine& m_engine;
    Prompt& m_prompt;
    bool m_rangesChanged = false;
};

}  // namespace halvera
