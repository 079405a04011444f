#pragma once

#include <QDialog>

#include <memory>

#include "lists/prompt.h"
#include "net/local_network_range.h"

namespace Ui {
class CActionRangeDlg;
}

class QLineEdit;

namespace halvera {

// Asks for one action node range. OK accepts two dotted addresses with the start not above
// the end and keeps them in Range(); anything else keeps the dialog open with its message.
class CActionRangeDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CActionRangeDlg(Prompt& prompt, QWidget* parent = nullptr);
    ~CActionRangeDlg() override;

    IpRange Range() const { return m_range; }
    QLineEdit* StartEdit() const;
    QLineEdit* EndEdit() const;

  public slots:
    void accept() override;

  private:
    std::unique_ptr<Ui::CActionRangeDlg> m_ui;
    Prompt& m_prompt;
    IpRange m_range;
};

}  // namespace halvera
