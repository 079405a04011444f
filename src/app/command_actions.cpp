#include "app/command_actions.h"

#include <QIcon>
#include <QKeySequence>
#include <QWidget>

#include <utility>

#include "app/command_ids.h"

namespace halvera {

namespace {

struct CommandEntry {
    int id;
    const char* text;      // menu text, UTF-8
    const char* shortcut;  // portable key text, or empty
    const char* caption;   // tool bar caption, or empty
    const char* image;     // tool bar image, or empty
    bool checkable;
};

const CommandEntry COMMANDS[] = {
    {ID_FILE_NEW_LIST, "新規作成(&N)", "", "", "", false},
    {ID_FILE_SAVE_LIST, "ノードリストの保存", "Ctrl+S", "保存", ":/images/toolbar_save.png", false},
    {ID_FILE_EXPORT_HTML, "HTML(&H)", "", "HTML出力", ":/images/toolbar_html.png", false},
    {ID_FILE_EXPORT_CSV, "CSV(&C)", "", "CVS出力", ":/images/toolbar_csv.png", false},
    {ID_FILE_TO_TRAY, "タスクトレイへ", "Ctrl+T", "", "", false},
    {ID_APP_EXIT, "終了(&X)", "", "", "", false},
    {ID_EDIT_LABEL, "ノードのラベル編集(&L)", "", "", "", false},
    {ID_EDIT_DELETE, "選択データを削除する(&D)", "", "", "", false},
    {ID_VIEW_COLOURS, "表示色(&C)", "", "", "", false},
    {ID_SORT_LABEL, "ラベル(&L)", "", "", "", false},
    {ID_SORT_IP, "IPアドレス(&I)", "", "", "", false},
    {ID_SORT_MAC, "MACアドレス(&M)", "", "", "", false},
    {ID_SORT_HOST, "ホスト名(&H)", "", "", "", false},
    {ID_SORT_DOMAIN, "ワークグループ or ドメイン(&D)", "", "", "", false},
    {ID_VIEW_TOOLBAR, "ツールバー(&T)", "", "", "", true},
    {ID_VIEW_STATUS_BAR, "ステータスバー(&S)", "", "", "", true},
    {ID_FIND_NODE_LIST, "ノードリスト検索", "Ctrl+F", "", "", false},
    {ID_FIND_EVENT_LOG, "イベントログ検索", "Ctrl+L", "", "", false},
    {ID_SEARCH_ALL_RANGES, "検索範囲内のすべてのノードを検索", "Ctrl+A", "", "", false},
    {ID_REFRESH_NODE_LIST, "ノードリストの最新ステータス取得", "Ctrl+B", "", "", false},
    {ID_REFRESH_SELECTED, "選択ノードの最新ステータス取得", "Ctrl+C", "", "", false},
    {ID_SEARCH_ONE_NODE, "特定ノードの検索", "Ctrl+D", "", "", false},
    {ID_SEARCH_SETTINGS, "検索設定(&S)", "", "検索設定", ":/images/toolbar_search_settings.png",
     false},
    {ID_EVENT_SETTINGS, "イベント設定", "Ctrl+E", "イベント設定",
     ":/images/toolbar_event_settings.png", false},
    {ID_OPTIONS, "オプション(&O)", "", "", "", false},
    {ID_APP_ABOUT, "バージョン(&V)", "", "", "", false},
    {ID_HELP, "ヘルプ(&H)", "", "ヘルプ", ":/images/toolbar_help.png", false},
    {ID_TRAY_SHOW, "表示", "", "", "", false},
};

}  // namespace

CommandActions::CommandActions(QWidget* window, StateSource state)
    : QObject(window), m_state(std::move(state)) {
    for (const CommandEntry& entry : COMMANDS) {
        auto* action = new QAction(QString::fromUtf8(entry.text), this);
        if (*entry.shortcut != '\0') {
            action->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut)));
        }
        if (*entry.caption != '\0') {
            action->setIconText(QString::fromUtf8(entry.caption));
        }
        if (*entry.image != '\0') {
            action->setIcon(QIcon(QString::fromLatin1(entry.image)));
        }
        action->setCheckable(entry.checkable);
        action->setChecked(entry.checkable);
        action->setStatusTip(action->text().remove(QLatin1Char('&')));
        window->addAction(action);
        connect(action, &QAction::triggered, this, [this, id = entry.id] { Trigger(id); });
        m_actions.emplace(entry.id, action);
    }
}

QAction* CommandActions::Action(int id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CommandActions::UpdateEnabled() {
    const CommandState state = m_state();
    for (const auto& [id, action] : m_actions) {
        action->setEnabled(IsCommandEnabled(id, state));
    }
}

void CommandActions::Trigger(int id) {
    UpdateEnabled();
    QAction* action = Action(id);
    if (action != nullptr && action->isEnabled()) {
        emit Triggered(id);
    }
}

}  // namespace halvera
