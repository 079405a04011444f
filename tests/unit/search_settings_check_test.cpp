#include "store/search_settings_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/text_codec.h"
#include "store/settings_schema.h"

namespace halvera {
namespace {

TEST(SearchSettingsCheck, NumbersAreDecimalDigitsThatFitThirtyTwoBits) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> value;
    };
    const Case cases[] = {
        {"0", 0u},          {" 100 ", 100u}, {"4294967295", 4294967295u},
        {"4294967296", {}}, {"-1", {}},      {"", {}},
        {"  ", {}},         {"1e3", {}},     {"+5", {}},
        {"12 3", {}},       {"０", {}},  // a full-width digit is no digit
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadSettingNumber(c.text), c.value) << c.text;
    }
}

TEST(SearchSettingsCheck, TimeoutRetrySendRateAndIntervalBounds) {
    const std::string timeout = Sjis("タイムアウト値が不正です。(1～60000msec)");
    const std::string retry = Sjis("再送回数が不正です。(0～100回)");
    const std::string interval = Sjis("ポーリング間隔が不正です。");
    const std::string sendRate = Sjis("送信レートが不正です。(1～100000フレーム/秒)");
    const std::string eventRows = Sjis("イベントリスト表示数を1～65535以内で指定してください。");
    // A key's check as the dialogs and halvera-cli make it, from its row of the schema.
    const auto check = [](std::string_view key, std::string_view text) {
        return CheckSettingText(*FindSettingKey(key), text);
    };
    struct Case {
        const char* name;
        std::string message;  // empty: accepted
        std::string actual;
    };
    const Case cases[] = {
        {"time-out 0", timeout, check("TIMEOUT", "0")},
        {"time-out 1", "", check("TIMEOUT", "1")},
        {"time-out 60000", "", check("TIMEOUT", "60000")},
        {"time-out 60001", timeout, check("TIMEOUT", "60001")},
        {"time-out empty", timeout, check("TIMEOUT", "")},
        {"retry 0", "", check("RETRY", "0")},
        {"retry 100", "", check("RETRY", "100")},
        {"retry 101", retry, check("RETRY", "101")},
        {"retry -1", retry, check("RETRY", "-1")},
        {"send rate 0", sendRate, check("SENDRATE", "0")},
        {"send rate 1", "", check("SENDRATE", "1")},
        {"send rate 100000", "", check("SENDRATE", "100000")},
        {"send rate 100001", sendRate, check("SENDRATE", "100001")},
        {"event rows 0", eventRows, check("ELISTMAX", "0")},
        {"event rows 1", "", check("ELISTMAX", "1")},
        {"event rows 65535", "", check("ELISTMAX", "65535")},
        {"event rows 65536", eventRows, check("ELISTMAX", "65536")},
        // A key without a range takes any text; its field's own form checks it.
        {"no range", "", check("MAP", "x")},
        {"interval 0 minutes", "", CheckPollInterval("0", 60)},
        // The seconds must fit the settings file's signed 32-bit number.
        {"interval 24855 days", "", CheckPollInterval("24855", 86400)},
        {"interval 24856 days", interval, CheckPollInterval("24856", 86400)},
        {"interval 2147483647 seconds", "", CheckPollInterval("2147483647", 1)},
        {"interval 2147483648 seconds", interval, CheckPollInterval("2147483648", 1)},
        {"interval text", interval, CheckPollInterval("abc", 60)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.message) << c.name;
    }
}

TEST(SearchSettingsCheck, RangesAreTwoDottedAddressesInOrder) {
    const std::string refused = Sjis("アドレス範囲が不正です。");
    struct Case {
        const char* start;
        const char* end;
        bool accepted;
    };
    const Case cases[] = {
        {"192.168.1.1", "192.168.1.254", true},
        {"10.0.0.9", "10.0.0.9", true},  // one address
        {"10.0.0.9", "10.0.0.1", false},
        // Compared as numbers, not as text or in memory order.
        {"9.255.255.255", "10.0.0.0", true},
        {"10.0.1.0", "10.0.0.255", false},
        {"10.0.0", "10.0.0.5", false},
        {"10.0.0.1", "", false},
        {"255.255.255.255", "255.255.255.255", true},
    };
    for (const Case& c : cases) {
        Ipv4 start = 7;
        Ipv4 end = 7;
        const std::string message = CheckSearchRangeText(c.start, c.end, start, end);
        EXPECT_EQ(message, c.accepted ? "" : refused) << c.start << " " << c.end;
        EXPECT_EQ(start, c.accepted ? InetAddr(c.start) : 7u) << c.start;
        EXPECT_EQ(end, c.accepted ? InetAddr(c.end) : 7u) << c.end;
    }
}

TEST(SearchSettingsCheck, UnitsAreMinutesHoursAndDays) {
    EXPECT_EQ(PollUnitIndex(60), 0);
    EXPECT_EQ(PollUnitIndex(3600), 1);
    EXPECT_EQ(PollUnitIndex(86400), 2);
    EXPECT_EQ(PollUnitIndex(1), -1);
    EXPECT_EQ(PollUnitIndex(0), -1);
}

}  // namespace
}  // namespace halvera
