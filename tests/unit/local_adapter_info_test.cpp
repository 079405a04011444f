#include "net/local_adapter_info.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/text_codec.h"
#include "capture/capture_adapter.h"
#include "support/fake_packet_driver.h"
#include "support/recording_error_log.h"

namespace halvera {
namespace {

using LogLines = std::vector<std::pair<std::string, std::string>>;

const CaptureAdapter FIRST{"eth0", "", MakeIp(198, 18, 7, 10), MakeIp(255, 255, 255, 0),
                           MacAddress{0x02, 0, 0, 0, 0, 0x01}};
const CaptureAdapter SECOND{"wlan0", "", MakeIp(198, 18, 8, 10), MakeIp(255, 255, 0, 0),
                            MacAddress{0x02, 0, 0, 0, 0, 0x02}};
const LocalAdapterInfo EARLIER{MakeIp(1, 2, 3, 4), MakeIp(255, 0, 0, 0),
                               MacAddress{0x02, 9, 9, 9, 9, 9}};

TEST(ReadLocalAdapter, TakesAddressMaskAndMacOfTheAdapterAdpnumOpens) {
    struct Case {
        int adpnum;
        int expected;
        LocalAdapterInfo info;
    };
    const Case cases[] = {
        {0, 0, {FIRST.address, FIRST.mask, FIRST.mac}},
        {1, 0, {SECOND.address, SECOND.mask, SECOND.mac}},
        {2, 1, EARLIER},
        {-1, 1, EARLIER},
    };
    for (const auto& c : cases) {
        test::FakePacketDriver driver;
        driver.adapters = std::vector<CaptureAdapter>{FIRST, SECOND};
        test::RecordingErrorLog log;
        LocalAdapterInfo info = EARLIER;
        EXPECT_EQ(ReadLocalAdapter(driver, c.adpnum, log, info), c.expected) << c.adpnum;
        EXPECT_EQ(info, c.info) << c.adpnum;
        EXPECT_TRUE(log.Lines().empty()) << c.adpnum;
    }
}

TEST(ReadLocalAdapter, FailuresOfRightsAndAdapterListAreLogged) {
    struct Case {
        const char* name;
        RawSocketCheck rights;
        bool listReadable;
        LogLines log;
    };
    // A refusal is one line that says why, however the search meets it.
    const Case cases[] = {
        {"raw socket refused",
         RawSocketCheck::SocketRefused,
         true,
         {{"netmond", "Create Socket Error"}}},
        {"time-outs refused",
         RawSocketCheck::OptionRefused,
         true,
         {{"netmond", "Create Setsockopt Error"}}},
        {"helper not this user's to run",
         RawSocketCheck::HelperNotPermitted,
         true,
         {{"netmond", "halvera-capture: permission denied"}}},
        {"helper missing",
         RawSocketCheck::HelperMissing,
         true,
         {{"netmond", "halvera-capture: not found or not answering"}}},
        {"adapter list unreadable",
         RawSocketCheck::Allowed,
         false,
         {{"netmond", Sjis("アダプタ情報が取得できません。")}}},
    };
    for (const auto& c : cases) {
        test::FakePacketDriver driver;
        driver.rawSocket = c.rights;
        driver.adapters = std::vector<CaptureAdapter>{FIRST};
        if (!c.listReadable) {
            driver.adapters.reset();
        }
        test::RecordingErrorLog log;
        LocalAdapterInfo info = EARLIER;
        EXPECT_EQ(ReadLocalAdapter(driver, 0, log, info), 1) << c.name;
        EXPECT_EQ(info, EARLIER) << c.name;
        EXPECT_EQ(log.Lines(), c.log) << c.name;
    }
}

TEST(CaptureAdapter, DisplayNameAndStatusBarText) {
    CaptureAdapter described = FIRST;
    described.description = "Intel I219-V";
    EXPECT_EQ(AdapterDisplayName(FIRST), "eth0");
    EXPECT_EQ(AdapterDisplayName(described), "eth0 (Intel I219-V)");

    EXPECT_EQ(NetworkInterfaceText("eth0"), Sjis("ネットワークインターフェイス： eth0"));
    EXPECT_EQ(
        NetworkInterfaceText(""),
        Sjis("ネットワークインターフェイス： ネットワークインターフェイスが選択されていません"));
}

}  // namespace
}  // namespace halvera
