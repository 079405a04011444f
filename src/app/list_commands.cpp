#include "app/list_commands.h"

#include "app/command_ids.h"
#include "base/text_codec.h"
#include "dialogs/event_log_search_dlg.h"
#include "dialogs/event_setting_dlg.h"
#include "dialogs/label_edit_dlg.h"
#include "dialogs/log_delete_dlg.h"
#include "dialogs/mail_setting_dlg.h"
#include "dialogs/node_list_search_dlg.h"
#include "dialogs/node_search_dlg.h"
#include "dialogs/output_setting_dlg.h"
#include "dialogs/search_setting_dlg.h"
#include "views/left_view.h"
#include "views/veskar_view.h"

#include <utility>

namespace halvera {

ListCommands::ListCommands(AppServices& services, CVeskarView& upper, CLeftView& lower,
                           QWidget* dialogParent, std::function<void()> interfaceChanged)
    : m_services(services),
      m_upper(upper),
      m_lower(lower),
      m_dialogParent(dialogParent),
      m_interfaceChanged(std::move(interfaceChanged)) {}

bool ListCommands::Run(int id) {
    switch (id) {
        case ID_FILE_NEW_LIST:
            NewNodeList();
            return true;
        case ID_FILE_SAVE_LIST:
            SaveNodeList();
            return true;
        case ID_EDIT_LABEL:
            EditLabel();
            return true;
        case ID_EDIT_DELETE:
            Delete();
            return true;
        case ID_SORT_LABEL:
            Sort(SORT_BY_LABEL);
            return true;
        case ID_SORT_IP:
            Sort(SORT_BY_IP);
            return true;
        case ID_SORT_MAC:
            Sort(SORT_BY_MAC);
            return true;
        case ID_SORT_HOST:
            Sort(SORT_BY_HOST);
            return true;
        case ID_SORT_DOMAIN:
            Sort(SORT_BY_DOMAIN);
            return true;
        case ID_FIND_NODE_LIST:
            FindInList(TAB_NODE_LIST);
            return true;
        case ID_FIND_EVENT_LOG:
            FindInList(TAB_EVENT_LOG);
            return true;
        case ID_SEARCH_ALL_RANGES:
            m_services.engine.Runner().StartManualRun(RunKind::RangeSearch);
            return true;
        case ID_REFRESH_NODE_LIST:
            m_services.engine.Runner().StartManualRun(RunKind::ListRefresh);
            return true;
        case ID_REFRESH_SELECTED:
            RefreshSelectedNode();
            return true;
        case ID_SEARCH_ONE_NODE:
            SearchOneNode();
            return true;
        case ID_FILE_EXPORT_HTML:
            Export(ExportFormat::Html);
            return true;
        case ID_FILE_EXPORT_CSV:
            Export(ExportFormat::Csv);
            return true;
        case ID_SEARCH_SETTINGS:
            SearchSettings();
            return true;
        case ID_EVENT_SETTINGS:
            ShowEventSettings();
            return true;
        default:
            return false;
    }
}

void ListCommands::NewNodeList() {
    if (!Confirm("現在のノードリストを削除して新規ノードリストを開きます。よろしいですか？")) {
        return;
    }
    m_services.engine.NewNodeList();
}

void ListCommands::SaveNodeList() {
    m_services.engine.SaveNodeList();
    m_services.prompt.ShowMessage(Sjis("ノードリストの最新データを保存しました。"),
                                  PromptIcon::Information, PromptButtons::Ok);
}

void ListCommands::EditLabel() {
    if (m_upper.NodeList()->SelectedRows().empty()) {
        ShowStopText("ラベルを編集するノードを選択してください。");
        return;
    }
    auto* dialog = new CLabelEditDlg(m_services.engine, m_services.prompt, *m_upper.NodeList(),
                                     m_dialogParent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void ListCommands::Delete() {
    switch (m_upper.CurrentTab()) {
        case TAB_NODE_LIST:
            DeleteNode();
            break;
        case TAB_EVENT_LOG:
        case TAB_ERROR_LOG:
            DeleteLogRows(m_upper.CurrentTab());
            break;
        default:
            break;
    }
}

void ListCommands::DeleteNode() {
    if (m_upper.NodeList()->SelectedRows().empty()) {
        ShowStopText("削除するノードを選択してください。");
        return;
    }
    if (!Confirm("選択ノードをマップから削除します。よろしいですか？")) {
        return;
    }
    // Only the first selected node goes, as the question says; rows may have moved while
    // the question was open, so the selection is read again.
    const std::vector<int> rows = m_upper.NodeList()->SelectedRows();
    if (!rows.empty()) {
        m_services.engine.DeleteNode(rows.front());
    }
}

void ListCommands::DeleteLogRows(int tab) {
    ListControl* list = m_upper.ListOfTab(tab);
    if (list->SelectedRows().empty()) {
        ShowStopText("削除するデータを選択してください。");
        return;
    }
    if (!Confirm("選択データを削除します。よろしいですか？")) {
        return;
    }
    const std::vector<int> rows = list->SelectedRows();
    if (rows.empty()) {
        return;
    }
    CLogDeleteDlg dialog(m_services.engine, tab == TAB_EVENT_LOG ? LogKind::Event : LogKind::Error,
                         rows, m_dialogParent);
    dialog.exec();
}

void ListCommands::Export(ExportFormat format) {
    const int tab = m_upper.CurrentTab();
    switch (tab) {
        case TAB_NODE_LIST: {
            COutputSettingDlg dialog(m_services.engine, m_services.prompt, m_dialogParent);
            if (dialog.exec() != QDialog::Accepted) {
                return;
            }
            break;
        }
        case TAB_EVENT_LOG:
            if (!Confirm("イベントログのデータを出力します。よろしいですか？")) {
                return;
            }
            break;
        case TAB_ERROR_LOG:
            if (!Confirm("エラーログのデータを出力します。よろしいですか？")) {
                return;
            }
            break;
        default:
            return;
    }
    m_services.engine.Export(format, static_cast<ExportList>(tab));
}

void ListCommands::Sort(NodeSortKey key) {
    SortNodeList(m_services.engine.Tables().nodeList, key);
}

void ListCommands::FindInList(int tab) {
    m_upper.SwitchTab(tab);
    if (tab == TAB_NODE_LIST) {
        CNodeListSearchDlg dialog(m_services.prompt, *m_upper.NodeList(), m_dialogParent);
        dialog.exec();
    } else {
        CEventLogSearchDlg dialog(m_services.prompt, *m_upper.EventLog(), m_dialogParent);
        dialog.exec();
    }
}

void ListCommands::RefreshSelectedNode() {
    const std::vector<int> rows = m_upper.NodeList()->SelectedRows();
    m_services.engine.Runner().RefreshSelectedNode(rows.empty() ? -1 : rows.front());
}

void ListCommands::SearchOneNode() {
    const LocalAdapterInfo local = m_services.engine.LocalAdapter();
    CNodeSearchDlg dialog(m_services.prompt, m_services.engine.Resolver(), local.ownAddress,
                          local.subnetMask, m_dialogParent);
    if (dialog.exec() == QDialog::Accepted) {
        // A poll that started while the dialog was open keeps this run from starting.
        m_services.engine.Runner().StartManualRun(RunKind::NodeRefresh, dialog.Address());
    }
}

void ListCommands::SearchSettings() {
    // The engine refreshed the banner and the settings information list on OK.
    CSearchSettingDlg dialog(m_services.engine, m_services.prompt, m_dialogParent);
    if (dialog.exec() == QDialog::Accepted) {
        m_interfaceChanged();
    }
}

void ListCommands::ShowEventSettings() {
    // The engine stored what the dialog's OK changed and refreshed the settings information
    // list; the event actions read the stores afresh for each event.
    CEventSettingDlg dialog(
        m_services.engine, m_services.prompt,
        [this](QWidget* owner) {
            CMailSettingDlg mail(m_services.engine, m_services.prompt, owner);
            mail.exec();
        },
        m_dialogParent);
    dialog.exec();
}

void ListCommands::ShowStopText(const char* utf8) {
    ShowStop(m_services.prompt, Sjis(utf8));
}

bool ListCommands::Confirm(const char* utf8) {
    return m_services.prompt.ShowMessage(Sjis(utf8), PromptIcon::Information,
                                         PromptButtons::OkCancel) == PROMPT_OK;
}

}  // namespace halvera
