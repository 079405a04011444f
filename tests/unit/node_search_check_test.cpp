#include "net/node_search_check.h"

#include <gtest/gtest.h>

#include "base/text_codec.h"
#include "net/system_host_resolver.h"
#include "support/scripted_resolver.h"

namespace halvera {
namespace {

using test::ScriptedResolver;

TEST(NodeSearchCheck, DialogStepsInOrder) {
    struct Case {
        std::string text;
        NodeSearchCheck::Outcome outcome;
        Ipv4 address;
        const char* message;
    };
    const Case cases[] = {
        {"", NodeSearchCheck::SEARCH_STAY_OPEN, 0, "検索するノードを指定してください。"},
        {"no-such-host", NodeSearchCheck::SEARCH_CANCEL, 0,
         "ノード検索が行えませんでした。（名前の変換に失敗しました）"},
        {"192.168.0.255", NodeSearchCheck::SEARCH_CANCEL, 0, "検索指定先が不正です。"},
        {"192.168.0.0", NodeSearchCheck::SEARCH_CANCEL, 0, "検索指定先が不正です。"},
        {"192.168.1.5", NodeSearchCheck::SEARCH_CANCEL, 0,
         "サブネット外のノードは検索できません。"},
        {"192.168.0.20", NodeSearchCheck::SEARCH_OK, MakeIp(192, 168, 0, 20), ""},
        {"pc01", NodeSearchCheck::SEARCH_OK, MakeIp(192, 168, 0, 20), ""},
    };
    ScriptedResolver resolver;
    for (const auto& c : cases) {
        auto check =
            CheckNodeSearchText(c.text, resolver, MakeIp(192, 168, 0, 7), MakeIp(255, 255, 255, 0));
        EXPECT_EQ(check.outcome, c.outcome) << c.text;
        EXPECT_EQ(check.address, c.address) << c.text;
        EXPECT_EQ(Cp932ToUtf8Lossy(check.message), c.message) << c.text;
    }
}

TEST(NodeSearchCheck, SystemResolverTakesDottedAddresses) {
    SystemHostResolver resolver;
    auto check =
        CheckNodeSearchText("10.1.2.3", resolver, MakeIp(10, 1, 2, 1), MakeIp(255, 0, 0, 0));
    EXPECT_EQ(check.outcome, NodeSearchCheck::SEARCH_OK);
    EXPECT_EQ(check.address, MakeIp(10, 1, 2, 3));
}

}  // namespace
}  // namespace halvera
