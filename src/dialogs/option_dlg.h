#pragma once

#include <QDialog>

#include <functional>

#include "dialogs/option_register_page.h"
#include "lists/prompt.h"
#include "monitor/engine.h"

class QTabWidget;

namespace halvera {

class COptionListPage;
class COptionStartPage;

// Shows the node list columns of MAP and the event list columns of ELIST at once.
using ColumnMasksShow = std::function<void(int map, int elist)>;

// The options: the list, start and register pages. OK shows the chosen columns at once, then
// stores and saves every option, or, when the event list row count is refused, shows why on
// the list page and stays open. Cancel stores nothing; entries already registered stay.
class COptionDlg : public QDialog {
    Q_OBJECT

  public:
    COptionDlg(Engine& engine, Prompt& prompt, ColumnMasksShow showColumns, DesktopPlaces places,
               QWidget* parent = nullptr);

    QTabWidget* Tabs() const { return m_tabs; }
    COptionListPage* ListPage() const { return m_listPage; }
    COptionStartPage* StartPage() const { return m_startPage; }
    COptionRegisterPage* RegisterPage() const { return m_registerPage; }

  public slots:
    void accept() override;

  private:
    Engine& m_engine;
    Prompt& m_prompt;
    ColumnMasksShow m_showColumns;
    QTabWidget* m_tabs = nullptr;
    COptionListPage* m_listPage = nullptr;
    COptionStartPage* m_startPage = nullptr;
    COptionRegisterPage* m_registerPage = nullptr;
};

}  // namespace halvera
