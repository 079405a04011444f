#include "events/settings_summary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_codec.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

// The value shown beside a setting of one column pair; the test fails when the setting is
// not listed.
std::string ValueOf(const std::vector<ListRow>& rows, int settingColumn, const char* settingUtf8) {
    for (const auto& row : rows) {
        if (row.cells[static_cast<std::size_t>(settingColumn)] == Sjis(settingUtf8)) {
            return row.cells[static_cast<std::size_t>(settingColumn + 1)];
        }
    }
    ADD_FAILURE() << "setting not listed: " << settingUtf8;
    return {};
}

// The values of a setting whose values run on below its row, until the next setting.
std::vector<std::string> ValuesFrom(const std::vector<ListRow>& rows, int settingColumn,
                                    const char* settingUtf8) {
    std::vector<std::string> values;
    bool inside = false;
    for (const auto& row : rows) {
        const std::string& setting = row.cells[static_cast<std::size_t>(settingColumn)];
        const std::string& value = row.cells[static_cast<std::size_t>(settingColumn + 1)];
        if (setting == Sjis(settingUtf8)) {
            inside = true;
        } else if (inside && (!setting.empty() || value.empty())) {
            break;
        }
        if (inside) {
            values.push_back(value);
        }
    }
    return values;
}

TEST(SettingsSummary, IntervalsShowInTheirUnit) {
    struct Case {
        std::int32_t seconds;
        std::int32_t unit;
        const char* shown;
    };
    const Case cases[] = {
        {3600, 3600, "1時"},
        {600, 60, "10分"},
        {172800, 86400, "2日"},
        // A unit the dialog never writes (a hand-edited file) shows the plain quotient; a
        // unit of 0 must not divide by zero.
        {90, 45, "2"},
        {600, 0, "600"},
    };
    for (const auto& c : cases) {
        SettingsSummaryData data;
        data.app.NEWTIME = c.seconds;
        data.app.NEWTIMEUNIT = c.unit;
        data.app.LOOKTIME = c.seconds;
        data.app.LOOKTIMEUNIT = c.unit;
        const auto rows = BuildSettingsSummary(data);
        EXPECT_EQ(ValueOf(rows, 0, "　ノード検出 ポーリング間隔"), Sjis(c.shown)) << c.shown;
        EXPECT_EQ(ValueOf(rows, 0, "　ステータス ポーリング間隔"), Sjis(c.shown)) << c.shown;
    }
}

TEST(SettingsSummary, SearchSettingsAndSniffingRule) {
    struct Case {
        const char* name;
        std::int32_t promiss;
        const char* anyRule;
        const char* theseRule;
        std::vector<const char*> marks;  // B47, B16, B8
    };
    const Case cases[] = {
        {"default B47+B16+B8", 7, "", "ON", {"●", "●", "●"}},
        {"any fake packet keeps the bits", 0x80 | 0x02, "ON", "", {"", "●", ""}},
        {"Gr only", 0x08, "", "ON", {"", "", ""}},
    };
    for (const auto& c : cases) {
        SettingsSummaryData data;
        data.app.PROMISS = c.promiss;
        data.app.ADPNAME = "eth0 (lab)";
        data.app.NEWENABLE = 0;
        data.app.NODEDISP = 1;
        const auto rows = BuildSettingsSummary(data);
        EXPECT_EQ(ValueOf(rows, 0, "　以下のいずれかに応答するノードを盗聴ノードとする"),
                  Sjis(c.anyRule))
            << c.name;
        EXPECT_EQ(ValueOf(rows, 0, "　以下に応答するノードを盗聴ノードとする"), Sjis(c.theseRule))
            << c.name;
        EXPECT_EQ(ValueOf(rows, 0, "　B47"), Sjis(c.marks[0])) << c.name;
        EXPECT_EQ(ValueOf(rows, 0, "　B16"), Sjis(c.marks[1])) << c.name;
        EXPECT_EQ(ValueOf(rows, 0, "　B8"), Sjis(c.marks[2])) << c.name;
        EXPECT_EQ(ValueOf(rows, 0, "　ネットワークアダプタ"), "eth0 (lab)");
        EXPECT_EQ(ValueOf(rows, 0, "　ノード検出 ポーリング"), Sjis("無効"));
        EXPECT_EQ(ValueOf(rows, 0, "　ステータス ポーリング"), Sjis("有効"));
        EXPECT_EQ(ValueOf(rows, 0, "　ノード停止時にノードリストよりノードを削除する"), "ON");
        EXPECT_EQ(ValueOf(rows, 0, "　タイムアウト"), "100 msec");
        EXPECT_EQ(ValueOf(rows, 0, "　再送回数"), Sjis("3 回"));
    }
}

TEST(SettingsSummary, RangesRunDownTheirColumnAndThePairsStayIndependent) {
    SettingsSummaryData data;
    data.searchRanges = {{MakeIp(192, 168, 0, 1), MakeIp(192, 168, 0, 254)},
                         {MakeIp(10, 0, 0, 5), MakeIp(10, 0, 0, 5)}};
    const auto rows = BuildSettingsSummary(data);
    EXPECT_EQ(ValuesFrom(rows, 0, "　検索範囲"),
              (std::vector<std::string>{Sjis("192.168.0.1 ～ 192.168.0.254"),
                                        Sjis("10.0.0.5 ～ 10.0.0.5")}));
    // Without action ranges the actions apply to every node.
    EXPECT_EQ(ValuesFrom(rows, 2, "　アクションノード範囲"),
              std::vector<std::string>{Sjis("すべてのノード")});
    // The right pair, with its six event kinds, is the longer one: the left pair ends early
    // with empty cells.
    EXPECT_TRUE(rows.back().cells[0].empty());
    EXPECT_EQ(rows.back().cells[2], Sjis("　アクションノード範囲"));
    for (const auto& row : rows) {
        ASSERT_EQ(row.cells.size(), 4u);
    }

    data.searchRanges.clear();
    data.actionRanges = {{MakeIp(192, 168, 0, 10), MakeIp(192, 168, 0, 20)},
                         {MakeIp(10, 0, 0, 7), MakeIp(10, 0, 0, 7)}};
    const auto more = BuildSettingsSummary(data);
    EXPECT_EQ(ValuesFrom(more, 0, "　検索範囲"), std::vector<std::string>{""});
    EXPECT_EQ(ValuesFrom(more, 2, "　アクションノード範囲"),
              (std::vector<std::string>{Sjis("192.168.0.10 ～ 192.168.0.20"),
                                        Sjis("10.0.0.7 ～ 10.0.0.7")}));
    EXPECT_EQ(more.size(), rows.size() + 1);
    EXPECT_EQ(more.back().cells[3], Sjis("10.0.0.7 ～ 10.0.0.7"));
}

TEST(SettingsSummary, EventKindsAndMailSettings) {
    SettingsSummaryData data;
    data.events[EVENT_NODE_UP].screen = 1;
    data.events[EVENT_NODE_UP].popupText = Sjis("%IP が起動しました");
    data.events[EVENT_NODE_UP].soundFile = "up.wav";
    data.events[EVENT_NODE_DOWN].log = 1;
    data.events[EVENT_NODE_DOWN].beep = 1;
    data.events[EVENT_NODE_DOWN].soundFile = "down.wav";
    data.events[EVENT_DEVICE_CHANGE].log = 1;
    data.events[EVENT_DEVICE_CHANGE].mailText = Sjis("機器 %MAC");
    data.mail.smtpserver = "mail.lab";
    data.mail.pop = 1;
    data.mail.passward = "secret";
    const auto rows = BuildSettingsSummary(data);

    // Each kind: its name, then its five actions.
    const std::vector<std::string> kinds = {
        Sjis("　新規ノード検出"), Sjis("　ノード起動"),     Sjis("　ノード停止"),
        Sjis("　盗聴ノード検出"), Sjis("　IPアドレス変更"), Sjis("　ネットワーク機器変更")};
    std::vector<std::vector<std::string>> blocks;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (const auto& kind : kinds) {
            if (rows[i].cells[2] == kind) {
                std::vector<std::string> values;
                for (std::size_t j = i + 1; j < i + 6; ++j) {
                    values.push_back(rows[j].cells[3]);
                }
                blocks.push_back(values);
            }
        }
    }
    ASSERT_EQ(blocks.size(), 6u);
    EXPECT_EQ(blocks[EVENT_NEW_NODE][0], Sjis("　[ 画面:無/ ログ:無 ]"));
    EXPECT_EQ(blocks[EVENT_NODE_UP],
              (std::vector<std::string>{Sjis("　[ 画面:有/ ログ:無 ]"), Sjis("%IP が起動しました"),
                                        "", "", "up.wav"}));
    // The beep replaces the sound file.
    EXPECT_EQ(blocks[EVENT_NODE_DOWN][0], Sjis("　[ 画面:無/ ログ:有 ]"));
    EXPECT_EQ(blocks[EVENT_NODE_DOWN][4], Sjis("ビープ音"));
    // The address and MAC change kinds follow in the same form.
    EXPECT_EQ(
        blocks[EVENT_DEVICE_CHANGE],
        (std::vector<std::string>{Sjis("　[ 画面:無/ ログ:有 ]"), "", "", Sjis("機器 %MAC"), ""}));

    EXPECT_EQ(ValueOf(rows, 0, "　Smtpサーバー"), "mail.lab");
    EXPECT_EQ(ValueOf(rows, 0, "　POP認証"), Sjis("有効"));
    EXPECT_EQ(ValueOf(rows, 0, "　パスワード"), "********");
    data.mail.passward.clear();
    EXPECT_EQ(ValueOf(BuildSettingsSummary(data), 0, "　パスワード"), "");

    // The protected connection follows the specified rows; its password is hidden too.
    EXPECT_EQ(ValueOf(rows, 0, "　SMTPポート"), "25");
    EXPECT_EQ(ValueOf(rows, 0, "　接続の保護"), Sjis("なし"));
    EXPECT_EQ(ValueOf(rows, 0, "　認証パスワード"), "");
    data.mail.smtpport = 465;
    data.mail.security = MAIL_SECURITY_TLS;
    data.mail.smtpauth = MAIL_AUTH_LOGIN;
    data.mail.authuser = "alice";
    data.mail.authpass = "s3cret";
    const auto protectedRows = BuildSettingsSummary(data);
    EXPECT_EQ(ValueOf(protectedRows, 0, "　SMTPポート"), "465");
    EXPECT_EQ(ValueOf(protectedRows, 0, "　接続の保護"), "SSL/TLS");
    EXPECT_EQ(ValueOf(protectedRows, 0, "　SMTP認証"), "AUTH LOGIN");
    EXPECT_EQ(ValueOf(protectedRows, 0, "　認証ユーザー名"), "alice");
    EXPECT_EQ(ValueOf(protectedRows, 0, "　認証パスワード"), "********");
}

TEST(SettingsSummary, RefreshReadsTheStoresIntoTheList) {
    test::TempProgramFolder folder;
    test::RecordingPrompt prompt;
    test::RecordingErrorLog errorLog;
    SettingsStore settings;
    RangeStore searchRanges(RangeList::Search, prompt, errorLog);
    RangeStore actionRanges(RangeList::Action, prompt, errorLog);
    EventSettingsStore events(prompt, errorLog);
    ASSERT_EQ(searchRanges.InitSearchRanges(), 0);
    searchRanges.AppendRange(MakeIp(192, 168, 0, 1), MakeIp(192, 168, 0, 30));
    EventSettings sniffing;
    sniffing.mailText = Sjis("盗聴ノード %IP");
    ASSERT_GE(events.PutEventSettings(EVENT_SNIFFING_NODE, sniffing), 0);

    ListTable list(4);
    list.AppendRow({{"old", "row", "", ""}});
    RefreshSettingsSummary(list, settings, searchRanges, actionRanges, events);
    const auto rows = list.Snapshot();
    EXPECT_EQ(ValuesFrom(rows, 0, "　検索範囲"),
              std::vector<std::string>{Sjis("192.168.0.1 ～ 192.168.0.30")});
    bool mailShown = false;
    for (const auto& row : rows) {
        EXPECT_NE(row.cells[0], "old");
        mailShown = mailShown || row.cells[3] == Sjis("盗聴ノード %IP");
    }
    EXPECT_TRUE(mailShown);
    EXPECT_TRUE(prompt.Boxes().empty());
}

}  // namespace
}  // namespace halvera
