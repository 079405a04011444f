#pragma once

#include <QWidget>

#include <array>

#include "monitor/options_entry.h"

class QButtonGroup;
class QCheckBox;
class QKeyEvent;
class QRadioButton;

namespace halvera {

// The "起動" page of the options: the sort of the node list at start-up and the first status
// poll at start-up. Enter and Escape on the page do nothing; they are not the dialog's OK and
// Cancel there.
class COptionStartPage : public QWidget {
    Q_OBJECT

  public:
    explicit COptionStartPage(const OptionsEntry& entry, QWidget* parent = nullptr);

    void Fill(OptionsEntry& entry) const;

    QCheckBox* SortBox() const { return m_sort; }
    // The radio button that stores this SORT value (1 … 5).
    QRadioButton* SortKeyButton(int sortKey) const;
    QCheckBox* PollBox() const { return m_poll; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void EnableSortKeys(bool enabled);

    QCheckBox* m_sort = nullptr;
    QButtonGroup* m_sortKeys = nullptr;
    QCheckBox* m_poll = nullptr;
};

}  // namespace halvera
