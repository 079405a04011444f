#include "lists/summary_banner.h"

#include <cstdio>

#include "base/text_codec.h"
#include "lists/list_tables.h"
#include "lists/node_row_colour.h"

namespace halvera {

std::string BuildSummaryText(PollingState polling, const std::vector<ListRow>& nodeRows) {
    std::string text = Sjis("【ポーリングステータス】");
    text += Sjis(polling.newEnable ? "新規ノード検出：稼動中" : "新規ノード検出：停止中");
    text += " / ";
    text += Sjis(polling.lookEnable ? "ステータス検出：稼動中" : "ステータス検出：停止中");
    text += "\r\n";

    int total = 0;
    int up = 0;
    int sniffing = 0;
    for (const auto& row : nodeRows) {
        ++total;
        const NodeMark mark =
            NodeMarkOf(row.cells.size() > NODE_COL_ST ? row.cells[NODE_COL_ST] : std::string());
        if (mark == NodeMark::Up) {
            ++up;
        } else if (mark == NodeMark::Sniffing) {
            ++sniffing;
        }
    }
    const int down = total - up - sniffing;
    const int rate = total == 0 ? 0 : (up + sniffing) * 100 / total;

    // The format holds only ASCII conversions, so it can be filled in UTF-8 and converted.
    char counts[256];
    std::snprintf(counts, sizeof counts,
                  "ノード数：%2d [ 稼動：%2d / 停止：%2d / 盗聴：%2d ]  稼働率：%2d%%", total, up,
                  down, sniffing, rate);
    text += Sjis("【管理ノード情報】");
    text += Sjis(counts);
    return text;
}

SummaryBanner::SummaryBanner(const ListTable& nodeList, PollingSource polling)
    : m_nodeList(nodeList), m_polling(std::move(polling)) {}

void SummaryBanner::SetSummaryText(std::string_view textCp932) {
    Store(std::string(CutCp932(textCp932, TEXT_MAX - 1)));
}

void SummaryBanner::SetSummaryText() {
    Store(BuildSummaryText(m_polling(), m_nodeList.Snapshot()));
}

std::string SummaryBanner::Text() const {
    std::lock_guard lock(m_mutex);
    return m_text;
}

int SummaryBanner::Subscribe(Listener listener) {
    std::lock_guard lock(m_mutex);
    int id = m_nextListener++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void SummaryBanner::Unsubscribe(int id) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
}

void SummaryBanner::Store(std::string text) {
    std::lock_guard lock(m_mutex);
    m_text = std::move(text);
    for (const auto& [id, listener] : m_listeners) {
        listener(m_text);
    }
}

}  // namespace halvera
