#pragma once

#include <memory>

#include "dialogs/list_search_dlg.h"

namespace Ui {
class CNodeListSearchDlg;
}

namespace halvera {

// Searches the node list by label (preset), IP address, host name or MAC address.
class CNodeListSearchDlg : public ListSearchDlg {
    Q_OBJECT

  public:
    CNodeListSearchDlg(Prompt& prompt, ListControl& nodeList, QWidget* parent = nullptr);
    ~CNodeListSearchDlg() override;

  private:
    std::unique_ptr<Ui::CNodeListSearchDlg> m_ui;
};

}  // namespace halvera
