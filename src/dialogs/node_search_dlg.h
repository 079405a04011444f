#pragma once

#include <QDialog>

#include <memory>

#include "base/ip_address.h"
#include "lists/prompt.h"
#include "net/host_resolver.h"

namespace Ui {
class CNodeSearchDlg;
}

class QLineEdit;

namespace halvera {

// Asks for one node to search, by host name or dotted address. OK resolves the text and
// checks it against the own subnet: an empty text keeps the dialog open with its message;
// a name that does not resolve, a network or broadcast address or an address outside the
// subnet ends the dialog with Cancel and its message; otherwise the dialog ends with OK and
// Address() is the node to search.
class CNodeSearchDlg : public QDialog {
    Q_OBJECT

  public:
    CNodeSearchDlg(Prompt& prompt, HostResolver& resolver, Ipv4 ownIp, Ipv4 mask,
                   QWidget* parent = nullptr);
    ~CNodeSearchDlg() override;

    Ipv4 Address() const { return m_address; }
    QLineEdit* NodeEdit() const;

  public slots:
    void accept() override;

  private:
    std::unique_ptr<Ui::CNodeSearchDlg> m_ui;
    Prompt& m_prompt;
    HostResolver& m_resolver;
    Ipv4 m_ownIp;
    Ipv4 m_mask;
    Ipv4 m_address = 0;
};

}  // namespace halvera
