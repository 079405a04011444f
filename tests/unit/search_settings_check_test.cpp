#include "store/search_settings_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/text_codec.h"

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
    struct Case {
        const char* name;
        std::string message;  // empty: accepted
        std::string actual;
    };
    const Case cases[] = {
        {"time-out 0", timeout, CheckTimeout("0")},
        {"time-out 1", "", CheckTimeout("1")},
        {"time-out 60000", "", CheckTimeout("60000")},
        {"time-out 60001", timeout, CheckTimeout("60001")},
        {"time-out empty", timeout, CheckTimeout("")},
        {"retry 0", "", CheckRetry("0")},
        {"retry 100", "", CheckRetry("100")},
        {"retry 101", retry, CheckRetry("101")},
        {"retry -1", retry, CheckRetry("-1")},
        {"send rate 0", sendRate, CheckSendRate("0")},
        {"send rate 1", "", CheckSendRate("1")},
        {"send rate 100000", "", CheckSendRate("100000")},
        {"send rate 100001", sendRate, CheckSendRate("100001")},
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
