#pragma once

#include <functional>

#include "app/app_services.h"
#include "lists/node_list_sort.h"

class QWidget;

namespace halvera {

class CLeftView;
class CVeskarView;

// The commands that act on the lists, the node database, the logs and the search runs. The
// main frame routes them here after their enable rule allowed them.
class ListCommands {
  public:
    // interfaceChanged: the search settings stored a new ADPNAME for the status bar.
    ListCommands(AppServices& services, CVeskarView& upper, CLeftView& lower, QWidget* dialogParent,
                 std::function<void()> interfaceChanged);

    // Runs the command; false for an id that is not one of these.
    bool Run(int id);

  private:
    void NewNodeList();
    void SaveNodeList();
    void EditLabel();
    void Delete();
    void DeleteNode();
    void DeleteLogRows(int tab);
    void Export(ExportFormat format);
    void Sort(NodeSortKey key);
    void FindInList(int tab);

    void RefreshSelectedNode();
    void SearchOneNode();
    void SearchSettings();
    void ShowEventSettings();

    void ShowStopText(const char* utf8);
    bool Confirm(const char* utf8);

    AppServices& m_services;
    CVeskarView& m_upper;
    CLeftView& m_lower;
    QWidget* m_dialogParent;
    std::function<void()> m_interfaceChanged;
};

}  // namespace halvera
