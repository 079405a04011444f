#pragma once

#include <QTabWidget>
#include <QWidget>

#include "lists/list_tables.h"
#include "views/list_colours.h"
#include "views/list_control.h"

namespace halvera {

// The tabs of the upper pane.
enum UpperTab { TAB_NODE_LIST = 0, TAB_EVENT_LOG = 1, TAB_ERROR_LOG = 2, TAB_SETTINGS_INFO = 3 };

// The upper pane: four tabs, each showing one list (node list, event log, error log,
// settings information). The current tab decides what the export, delete, label edit and
// sort commands act on.
class CVeskarView : public QWidget {
    Q_OBJECT

  public:
    explicit CVeskarView(ListTables& tables, QWidget* parent = nullptr);

    int CurrentTab() const;
    // Selects the tab and shows its list, exactly as a click on the tab does.
    void SwitchTab(int tab);

    ListControl* NodeList() const { return m_nodeList; }
    ListControl* EventLog() const { return m_eventLog; }
    ListControl* ErrorLog() const { return m_errorLog; }
    ListControl* SettingsInfo() const { return m_settingsInfo; }
    ListControl* ListOfTab(int tab) const;

    // The size of the tab area, kept as MAPX and MAPY.
    QSize TabAreaSize() const;

    void ApplyNodeColumnMask(int map);
    void ApplyColours(const ListColours& colours);

  signals:
    void CurrentTabChanged(int tab);
    // The node list's popup menu is asked for.
    void NodeListPopupRequested(const QPoint& globalPos);

  private:
    QTabWidget* m_tabs;
    ListControl* m_nodeList;
    ListControl* m_eventLog;
    ListControl* m_errorLog;
    ListControl* m_settingsInfo;
};

}  // namespace halvera
