#pragma once

#include <QDialog>

#include <vector>

#include "lists/prompt.h"
#include "monitor/engine.h"

class QCheckBox;

namespace halvera {

// The columns of a node list export: one check box per PRINT bit. OK stores the bits,
// asks whether to export and, on OK, saves the settings and closes so that the export runs;
// on Cancel of that question the dialog stays open with the bits kept in memory unsaved.
class COutputSettingDlg : public QDialog {
    Q_OBJECT

  public:
    COutputSettingDlg(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);

    // The check box of a PRINT bit, for tests; nullptr for a bit that has none.
    QCheckBox* BitBox(int bit) const;

  public slots:
    void accept() override;

  private:
    struct Box {
        int bit;
        QCheckBox* box;
    };

    Engine& m_engine;
    Prompt& m_prompt;
    std::vector<Box> m_boxes;
};

}  // namespace halvera
