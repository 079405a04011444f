#include "views/veskar_view.h"

#include <QIcon>
#include <QTabBar>
#include <QVBoxLayout>

#include "views/event_images.h"
#include "views/gothic_font.h"
#include "views/node_list_model.h"
#include "views/settings_info_model.h"

namespace halvera {

CVeskarView::CVeskarView(ListTables& tables, QWidget* parent) : QWidget(parent) {
    m_tabs = new QTabWidget(this);
    m_tabs->tabBar()->setFont(GothicFont());
    m_tabs->setIconSize(QSize(16, 16));

    m_nodeList = new ListControl(new NodeListModel(tables.nodeList), NodeListColumns());
    auto* eventLogModel = new ListTableModel(tables.eventLog);
    eventLogModel->SetImages(EventImages());
    m_eventLog = new ListControl(eventLogModel, EventLogColumns());
    m_eventLog->setIconSize(QSize(EVENT_IMAGE_WIDTH, EVENT_IMAGE_HEIGHT));
    m_errorLog = new ListControl(new ListTableModel(tables.errorLog), ErrorLogColumns());
    m_settingsInfo =
        new ListControl(new SettingsInfoModel(tables.settingsInfo), SettingsInfoColumns());

    m_tabs->addTab(m_nodeList, QIcon(QStringLiteral(":/images/tab_nodes.png")),
                   QStringLiteral("ノードリスト"));
    m_tabs->addTab(m_eventLog, QIcon(QStringLiteral(":/images/tab_event_log.png")),
                   QStringLiteral("イベントログ"));
    m_tabs->addTab(m_errorLog, QIcon(QStringLiteral(":/images/tab_error_log.png")),
                   QStringLiteral("エラーログ"));
    m_tabs->addTab(m_settingsInfo, QIcon(QStringLiteral(":/images/tab_settings.png")),
                   QStringLiteral("設定情報"));
    m_tabs->setCurrentIndex(TAB_NODE_LIST);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);

    connect(m_tabs, &QTabWidget::currentChanged, this, &CVeskarView::CurrentTabChanged);
    connect(m_nodeList, &ListControl::PopupRequested, this, &CVeskarView::NodeListPopupRequested);
}

int CVeskarView::CurrentTab() const {
    return m_tabs->currentIndex();
}

void CVeskarView::SwitchTab(int tab) {
    m_tabs->setCurrentIndex(tab);
}

ListControl* CVeskarView::ListOfTab(int tab) const {
    switch (tab) {
        case TAB_NODE_LIST:
            return m_nodeList;
        case TAB_EVENT_LOG:
            return m_eventLog;
        case TAB_ERROR_LOG:
            return m_errorLog;
        case TAB_SETTINGS_INFO:
            return m_settingsInfo;
        default:
            return nullptr;
    }
}

QSize CVeskarView::TabAreaSize() const {
    return m_tabs->size();
}

void CVeskarView::ApplyNodeColumnMask(int map) {
    m_nodeList->ApplyColumnMask(map);
}

void CVeskarView::ApplyColours(const ListColours& colours) {
    for (int tab = TAB_NODE_LIST; tab <= TAB_SETTINGS_INFO; ++tab) {
        ListOfTab(tab)->ApplyColours(colours);
    }
}

}  // namespace halvera
