#include "lists/summary_banner.h"

#include "base/text_codec.h"

namespace halvera {

std::string BuildSummaryText(PollingState polling, const NodeCounts& counts) {
    std::string text = Sjis("【ポーリングステータス】");
    text += Sjis(polling.newEnable ? "新規ノード検出：稼動中" : "新規ノード検出：停止中");
    text += " / ";
    text += Sjis(polling.lookEnable ? "ステータス検出：稼動中" : "ステータス検出：停止中");
    text += "\r\n";
    text += Sjis("【管理ノード情報】");
    text += NodeCountsLine(counts);
    return text;
}

SummaryBanner::SummaryBanner(const NodeTable& nodeList, PollingSource polling)
    : m_nodeList(nodeList), m_polling(std::move(polling)) {}

void SummaryBanner::SetSummaryText(std::string_view textCp932) {
    Store(std::string(CutCp932(textCp932, TEXT_MAX - 1)), std::nullopt);
}

void SummaryBanner::SetSummaryText() {
    const NodeCounts counts = m_nodeList.Counts();
    Store(BuildSummaryText(m_polling(), counts), counts);
}

std::string SummaryBanner::Text() const {
    std::lock_guard lock(m_mutex);
    return m_text;
}

NodeCounts SummaryBanner::Counts() const {
    std::lock_guard lock(m_mutex);
    return m_counts;
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

void SummaryBanner::Store(std::string text, std::optional<NodeCounts> counts) {
    std::lock_guard lock(m_mutex);
    m_text = std::move(text);
    if (counts) {
        m_counts = *counts;
    }
    for (const auto& [id, listener] : m_listeners) {
        listener(m_text);
    }
}

}  // namespace halvera
