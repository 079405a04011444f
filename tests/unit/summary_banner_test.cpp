#include "lists/summary_banner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "base/text_codec.h"
#include "lists/list_tables.h"

namespace halvera {
namespace {

std::vector<NodeEntry> NodesWithMarks(const std::vector<NodeMark>& marks) {
    std::vector<NodeEntry> nodes;
    for (NodeMark mark : marks) {
        NodeEntry node;
        node.mark = mark;
        nodes.push_back(node);
    }
    return nodes;
}

constexpr NodeMark UP = NodeMark::Up;
constexpr NodeMark SNIFFING = NodeMark::Sniffing;
constexpr NodeMark DOWN = NodeMark::Down;

TEST(BuildSummaryText, CountsTheNodeListByItsMarks) {
    struct Case {
        const char* name;
        PollingState polling;
        std::vector<NodeMark> marks;
        const char* expected;  // UTF-8
    };
    const Case cases[] = {
        {"ten nodes, six up, one sniffing, three down",
         {true, true},
         {UP, UP, UP, UP, UP, UP, SNIFFING, DOWN, DOWN, DOWN},
         "【ポーリングステータス】新規ノード検出：稼動中 / ステータス検出：稼動中\r\n"
         "【管理ノード情報】ノード数：10 [ 稼動： 6 / 停止： 3 / 盗聴： 1 ]  稼働率：70%"},
        {"empty list, both polls stopped",
         {false, false},
         {},
         "【ポーリングステータス】新規ノード検出：停止中 / ステータス検出：停止中\r\n"
         "【管理ノード情報】ノード数： 0 [ 稼動： 0 / 停止： 0 / 盗聴： 0 ]  稼働率： 0%"},
        {"the rate rounds down",
         {true, false},
         {UP, SNIFFING, DOWN},
         "【ポーリングステータス】新規ノード検出：稼動中 / ステータス検出：停止中\r\n"
         "【管理ノード情報】ノード数： 3 [ 稼動： 1 / 停止： 1 / 盗聴： 1 ]  稼働率：66%"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildSummaryText(c.polling, CountNodes(NodesWithMarks(c.marks))),
                  Sjis(c.expected))
            << c.name;
    }
}

TEST(SummaryBanner, BuildsTheSummaryFromTheCurrentTableAndSettings) {
    NodeTable nodeList;
    PollingState polling{true, false};
    SummaryBanner banner(nodeList, [&polling] { return polling; });
    for (const auto& node : NodesWithMarks({UP, SNIFFING})) {
        nodeList.Append(node);
    }
    polling = {false, true};
    banner.SetSummaryText();
    EXPECT_EQ(banner.Text(), BuildSummaryText({false, true}, NodeCounts{2, 1, 0, 1, 100}));
}

TEST(SummaryBanner, KeepsAGivenTextCutToTheBufferWithoutSplittingACharacter) {
    NodeTable nodeList;
    SummaryBanner banner(nodeList, [] { return PollingState{}; });
    const std::string progress = Sjis("【ノード検索】 192.168.0.20 検索中 . . .");
    banner.SetSummaryText(progress);
    EXPECT_EQ(banner.Text(), progress);

    // Two-byte characters only: the 1023rd byte would be half a character, so it stays out.
    std::string kana;
    while (kana.size() < 1100) {
        kana += Sjis("あ");
    }
    banner.SetSummaryText(kana);
    EXPECT_EQ(banner.Text(), kana.substr(0, 1022));
}

TEST(SummaryBanner, TellsItsListenersOfEveryChangeUntilTheyLeave) {
    NodeTable nodeList;
    SummaryBanner banner(nodeList, [] { return PollingState{}; });
    std::vector<std::string> texts;
    const int id = banner.Subscribe([&texts](std::string_view text) { texts.emplace_back(text); });
    banner.SetSummaryText("a");
    banner.SetSummaryText();
    banner.Unsubscribe(id);
    banner.SetSummaryText("b");
    EXPECT_EQ(texts, (std::vector<std::string>{"a", BuildSummaryText({}, {})}));
}

}  // namespace
}  // namespace halvera
