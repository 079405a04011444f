#pragma once

#include <QWidget>

#include "lists/list_table.h"
#include "lists/prompt.h"
#include "lists/summary_banner.h"
#include "views/list_colours.h"
#include "views/list_control.h"
#include "views/summary_banner_widget.h"

class QMenu;

namespace halvera {

// The lower pane: the summary banner over the event list, the on-screen record of the
// events of this session. Its popup menu deletes rows of the list only; the event log file
// stays as it is.
class CLeftView : public QWidget {
    Q_OBJECT

  public:
    // Loads the banner picture back.jpg from the program folder; when it cannot be read the
    // prompt shows "back image read error。" and the banner runs without picture.
    CLeftView(ListTable& eventList, SummaryBanner& banner, Prompt& prompt,
              QWidget* parent = nullptr);

    ListControl* EventList() const { return m_eventList; }
    SummaryBannerWidget* Banner() const { return m_banner; }
    QMenu* EventListPopup() const { return m_popup; }

    void ApplyEventColumnMask(int elist);
    void ApplyColours(const ListColours& colours);

  private:
    void DeleteSelectedRows();

    SummaryBannerWidget* m_banner;
    ListControl* m_eventList;
    QMenu* m_popup;
};

}  // namespace halvera
