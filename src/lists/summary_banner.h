#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lists/node_counts.h"
#include "lists/node_table.h"
#include "lists/summary_text.h"

namespace halvera {

// Whether each kind of polling is enabled (NEWENABLE, LOOKENABLE).
struct PollingState {
    bool newEnable = false;
    bool lookEnable = false;
};

// The two summary lines of the banner: the polling states, then the counts of the node list.
std::string BuildSummaryText(PollingState polling, const NodeCounts& counts);

// The banner text of the lower pane. Any thread may set it: the runs pass their progress
// lines, everyone else asks for the summary. Listeners get each new text (CP932) while the
// banner's lock is held, so they must only queue it (a repaint, a line of halvera-cli).
class SummaryBanner : public SummaryText {
  public:
    using PollingSource = std::function<PollingState()>;
    using Listener = std::function<void(std::string_view textCp932)>;

    // The banner holds this many bytes of text including the terminator of its buffer.
    static constexpr std::size_t TEXT_MAX = 1024;

    SummaryBanner(const NodeTable& nodeList, PollingSource polling);
    SummaryBanner(const SummaryBanner&) = delete;
    SummaryBanner& operator=(const SummaryBanner&) = delete;

    // Shows the text (CP932), cut to the buffer without splitting a character.
    void SetSummaryText(std::string_view textCp932) override;
    // Shows the summary built from the node list and the polling settings.
    void SetSummaryText() override;

    std::string Text() const;
    // The counts of the last summary (all zero before the first): a progress line keeps
    // them, as the node list it counted is still the one shown.
    NodeCounts Counts() const;

    int Subscribe(Listener listener);
    void Unsubscribe(int id);

  private:
    void Store(std::string text, std::optional<NodeCounts> counts);

    const NodeTable& m_nodeList;
    PollingSource m_polling;
    mutable std::mutex m_mutex;
    std::string m_text;
    NodeCounts m_counts;
    std::vector<std::pair<int, Listener>> m_listeners;
    int m_nextListener = 1;
};

}  // namespace halvera
