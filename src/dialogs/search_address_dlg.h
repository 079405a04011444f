#pragma once

#include <QDialog>

#include <memory>

#include "base/ip_address.h"
#include "lists/prompt.h"
#include "net/local_network_range.h"

namespace Ui {
class CSearchAddressDlg;
}

class QCheckBox;
class QLineEdit;

namespace halvera {

// Asks for one search range. "ローカルネットワーク" fills in the host addresses of the own
// subnet; OK accepts two addresses with the start not above the end and keeps them in
// Range(), anything else keeps the dialog open with its message.
class CSearchAddressDlg : public QDialog {
    Q_OBJECT

  public:
    CSearchAddressDlg(Prompt& prompt, Ipv4 ownIp, Ipv4 mask, QWidget* parent = nullptr);
    ~CSearchAddressDlg() override;

    IpRange Range() const { return m_range; }
    QLineEdit* StartEdit() const;
    QLineEdit* EndEdit() const;
    QCheckBox* LocalNetworkBox() const;

  public slots:
    void accept() override;

  private:
    void OnLocalNetwork(bool checked);

    std::unique_ptr<Ui::CSearchAddressDlg> m_ui;
    Prompt& m_prompt;
    Ipv4 m_ownIp;
    Ipv4 m_mask;
    IpRange m_range;
};

}  // namespace halvera
