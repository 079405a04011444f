#pragma once

#include <QDialog>

#include <memory>

#include "monitor/engine.h"

namespace Ui {
class CSniffSettingDlg;
}

class QCheckBox;
class QRadioButton;

namespace halvera {

// The sniffing criterion PROMISS: a node that answers any fake packet, or one that answers
// every chosen test (B47, B16, B8). OK puts it into effect at once; Cancel leaves it.
class CSniffSettingDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CSniffSettingDlg(Engine& engine, QWidget* parent = nullptr);
    ~CSniffSettingDlg() override;

    QRadioButton* AnyTestButton() const;
    QRadioButton* SelectedTestsButton() const;
    // B47, B16, B8, Gr in this order.
    QCheckBox* TestBox(int index) const;

  public slots:
    void accept() override;

  private:
    void EnableTests(bool selected);

    std::unique_ptr<Ui::CSniffSettingDlg> m_ui;
    Engine& m_engine;
};

}  // namespace halvera
