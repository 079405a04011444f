#pragma once

#include <QDialog>

#include <memory>

#include "lists/prompt.h"
#include "monitor/engine.h"
#include "views/list_control.h"

namespace Ui {
class CLabelEditDlg;
}

class QLineEdit;

namespace halvera {

// Edits the label of a node, modelessly: it opens with the label of the first selected node
// row; OK (or Enter) has the engine store the text as the label of the node of the first
// row selected at that moment, and closes, unless the text holds a character CP932 cannot
// express or the engine refuses it (the message is shown and the dialog stays open). Escape
// does nothing; Cancel closes.
class CLabelEditDlg : public QDialog {
    Q_OBJECT

  public:
    CLabelEditDlg(Engine& engine, Prompt& prompt, ListControl& nodeList, QWidget* parent = nullptr);
    ~CLabelEditDlg() override;

    QLineEdit* LabelEdit() const;

  public slots:
    void accept() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    std::unique_ptr<Ui::CLabelEditDlg> m_ui;
    Engine& m_engine;
    Prompt& m_prompt;
    ListControl& m_nodeList;
};

}  // namespace halvera
