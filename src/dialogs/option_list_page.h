#pragma once

#include <QWidget>

#include <vector>

#include "monitor/options_entry.h"

class QCheckBox;
class QLineEdit;

namespace halvera {

// The "リスト" page of the options: which columns the node list and the event list show,
// the event list's row count and the log's auto-scroll.
class COptionListPage : public QWidget {
    Q_OBJECT

  public:
    explicit COptionListPage(const OptionsEntry& entry, QWidget* parent = nullptr);

    // The page's values in the entry: each check box sets or clears its own bit.
    void Fill(OptionsEntry& entry) const;

    // The check box of this MAP bit (node list) or ELIST bit (event list).
    QCheckBox* NodeListBox(int mapBit) const;
    QCheckBox* EventListBox(int elistBit) const;
    QLineEdit* RowsEdit() const { return m_rows; }
    QCheckBox* ScrollBox() const { return m_scroll; }

  private:
    struct BitBox {
        int bit;
        QCheckBox* box;
    };

    std::vector<BitBox> m_nodeBoxes;
    std::vector<BitBox> m_eventBoxes;
    QLineEdit* m_rows = nullptr;
    QCheckBox* m_scroll = nullptr;
};

}  // namespace halvera
