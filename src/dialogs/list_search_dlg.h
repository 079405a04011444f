#pragma once

#include <QDialog>

#include <vector>

#include "lists/prompt.h"
#include "views/list_control.h"

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QRadioButton;

namespace halvera {

// A radio button of a list search dialog and the column it searches.
struct SearchColumnButton {
    QRadioButton* button;
    int column;
};

// What the two list search dialogs share: 検索 checks the text (an empty one keeps the
// dialog open with its message), looks for the first row whose cell of the chosen column
// matches, selects and shows it in the list (or only clears the selection), and closes the
// dialog either way. The forms differ only in their columns and captions.
class ListSearchDlg : public QDialog {
    Q_OBJECT

  public:
    QLineEdit* SearchEdit() const { return m_text; }
    // The radio button of this column, or nullptr.
    QRadioButton* ColumnButton(int column) const;
    QCheckBox* CaseSensitiveBox() const { return m_caseSensitive; }
    QCheckBox* WholeTextBox() const { return m_wholeText; }

  public slots:
    void accept() override;

  protected:
    ListSearchDlg(Prompt& prompt, ListControl& list, QWidget* parent);

    // The form's widgets, once the derived dialog has set them up; the first column is preset.
    void Attach(QLineEdit* text, std::vector<SearchColumnButton> columns, QCheckBox* caseSensitive,
                QCheckBox* wholeText, QDialogButtonBox* buttons);

  private:
    int Column() const;

    Prompt& m_prompt;
    ListControl& m_list;
    QLineEdit* m_text = nullptr;
    std::vector<SearchColumnButton> m_columns;
    QCheckBox* m_caseSensitive = nullptr;
    QCheckBox* m_wholeText = nullptr;
};

}  // namespace halvera
