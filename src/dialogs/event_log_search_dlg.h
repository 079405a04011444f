#pragma once

#include <memory>

#include "dialogs/list_search_dlg.h"

namespace Ui {
class CEventLogSearchDlg;
}

namespace halvera {

// Searches the event log list by date and time (preset), IP address, host name or
// information.
class CEventLogSearchDlg : public ListSearchDlg {
    Q_OBJECT

  public:
    CEventLogSearchDlg(Prompt& prompt, ListControl& eventLog, QWidget* parent = nullptr);
    ~CEventLogSearchDlg() override;

  private:
    std::unique_ptr<Ui::CEventLogSearchDlg> m_ui;
};

}  // namespace halvera
