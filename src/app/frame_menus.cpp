#include "app/frame_menus.h"

#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QToolBar>

#include <algorithm>
#include <initializer_list>

#include "app/command_actions.h"
#include "app/command_ids.h"

namespace halvera {

namespace {

// A separator in a list of command ids.
constexpr int SEPARATOR = 0;

void Fill(QMenu* menu, CommandActions& actions, std::initializer_list<int> ids) {
    for (int id : ids) {
        if (id == SEPARATOR) {
            menu->addSeparator();
        } else {
            menu->addAction(actions.Action(id));
        }
    }
}

QMenu* Menu(QWidget* parent, const char* title, CommandActions& actions) {
    auto* menu = new QMenu(QString::fromUtf8(title), parent);
    QObject::connect(menu, &QMenu::aboutToShow, &actions, &CommandActions::UpdateEnabled);
    return menu;
}

QMenu* SubMenu(QMenu* parent, const char* title, CommandActions& actions,
               std::initializer_list<int> ids) {
    QMenu* menu = Menu(parent, title, actions);
    Fill(menu, actions, ids);
    parent->addMenu(menu);
    return menu;
}

// An item of a popup menu: the command's text without its mnemonic and without a shortcut,
// as the tray menu and the node list's menu have always shown it; it runs the command and is
// enabled when the command is.
void AddPlainItem(QMenu* menu, CommandActions& actions, int id) {
    QAction* command = actions.Action(id);
    QString text = command->text();
    text.remove(QRegularExpression(QStringLiteral("\\(&.\\)$")));
    text.remove(QLatin1Char('&'));
    QAction* item = menu->addAction(text);
    item->setEnabled(command->isEnabled());
    QObject::connect(command, &QAction::changed, item,
                     [item, command] { item->setEnabled(command->isEnabled()); });
    QObject::connect(item, &QAction::triggered, command, &QAction::trigger);
}

}  // namespace

void BuildMenuBar(QMenuBar* menuBar, CommandActions& actions) {
    QMenu* file = Menu(menuBar, "ファイル(&F)", actions);
    Fill(file, actions, {ID_FILE_NEW_LIST, ID_FILE_SAVE_LIST, SEPARATOR});
    SubMenu(file, "出力(&O)", actions, {ID_FILE_EXPORT_HTML, ID_FILE_EXPORT_CSV});
    Fill(file, actions, {SEPARATOR, ID_FILE_TO_TRAY, SEPARATOR, ID_APP_EXIT});
    menuBar->addMenu(file);

    QMenu* edit = Menu(menuBar, "編集(&E)", actions);
    Fill(edit, actions, {ID_EDIT_LABEL, ID_EDIT_DELETE});
    menuBar->addMenu(edit);

    QMenu* view = Menu(menuBar, "表示(&V)", actions);
    Fill(view, actions, {ID_VIEW_COLOURS});
    SubMenu(view, "ソート(&S)", actions,
            {ID_SORT_LABEL, ID_SORT_IP, ID_SORT_MAC, ID_SORT_HOST, ID_SORT_DOMAIN});
    Fill(view, actions, {SEPARATOR, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR});
    menuBar->addMenu(view);

    QMenu* search = Menu(menuBar, "検索(&S)", actions);
    SubMenu(search, "リスト検索(&L)", actions, {ID_FIND_NODE_LIST, ID_FIND_EVENT_LOG});
    SubMenu(search, "ノード検索(&N)", actions,
            {ID_SEARCH_ALL_RANGES, ID_REFRESH_NODE_LIST, ID_REFRESH_SELECTED, ID_SEARCH_ONE_NODE});
    Fill(search, actions, {SEPARATOR, ID_SEARCH_SETTINGS});
    menuBar->addMenu(search);

    QMenu* settings = Menu(menuBar, "設定(&O)", actions);
    Fill(settings, actions, {ID_EVENT_SETTINGS, ID_OPTIONS});
    menuBar->addMenu(settings);

    QMenu* help = Menu(menuBar, "ヘルプ(&H)", actions);
    Fill(help, actions, {ID_APP_ABOUT, ID_HELP});
    menuBar->addMenu(help);
}

QToolBar* BuildToolBar(CommandActions& actions, QWidget* parent) {
    auto* toolBar = new QToolBar(QStringLiteral("ツールバー"), parent);
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setIconSize(QSize(24, 24));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar->addAction(actions.Action(ID_FILE_SAVE_LIST));
    toolBar->addSeparator();
    toolBar->addAction(actions.Action(ID_FILE_EXPORT_HTML));
    toolBar->addAction(actions.Action(ID_FILE_EXPORT_CSV));
    toolBar->addSeparator();
    toolBar->addAction(actions.Action(ID_SEARCH_SETTINGS));
    toolBar->addAction(actions.Action(ID_EVENT_SETTINGS));
    toolBar->addSeparator();
    toolBar->addAction(actions.Action(ID_HELP));
    // One size for every button, as wide as the widest caption needs.
    int width = 0;
    for (QAction* action : toolBar->actions()) {
        if (!action->isSeparator()) {
            width = std::max(width, toolBar->widgetForAction(action)->sizeHint().width());
        }
    }
    for (QAction* action : toolBar->actions()) {
        if (!action->isSeparator()) {
            toolBar->widgetForAction(action)->setFixedWidth(width);
        }
    }
    return toolBar;
}

QMenu* BuildTrayMenu(CommandActions& actions, QWidget* parent) {
    QMenu* menu = Menu(parent, "", actions);
    AddPlainItem(menu, actions, ID_TRAY_SHOW);
    menu->addSeparator();
    AddPlainItem(menu, actions, ID_APP_EXIT);
    return menu;
}

QMenu* BuildNodeListPopup(CommandActions& actions, QWidget* parent) {
    QMenu* menu = Menu(parent, "", actions);
    AddPlainItem(menu, actions, ID_EDIT_LABEL);
    AddPlainItem(menu, actions, ID_REFRESH_SELECTED);
    menu->addSeparator();
    AddPlainItem(menu, actions, ID_EDIT_DELETE);
    return menu;
}

}  // namespace halvera
